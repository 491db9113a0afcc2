#pragma once
// The receiver intake: the serial port Comm1 (or the network source its
// [Devices] entry names), the byte stream cut into sentences, the dispatch to
// the decoders by sentence type, and the NMEA log "Vur.log" with its
// every-sentence and per-type modes.
#include "common/port_names.h"
#include "common/text_lines.h"
#include "display/decode/sentence_fields.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>

#include <array>
#include <functional>

namespace zv { class Dialogs; }

namespace vur {

class ReceiverSource;

// Order of the per-type log flags and check boxes.
enum class SentenceType { RMC = 0, RMB, GGA, GSA, GSV, VTG };
inline constexpr int sentenceTypeCount = 6;

// A sentence-type box: ticked, not, or greyed while ALL logs everything.
enum class TypeBox { Unchecked, Checked, Greyed };

// The front end of the intake: the port selector's caption, the status
// line, the log boxes and the sentence-type boxes.
class IntakeView {
public:
    virtual ~IntakeView() = default;
    virtual void showPortName(const QString& name) = 0;
    virtual void showStatus(const QString& text) = 0;
    // Takes a port failure off the status line if the line still shows it.
    virtual void clearStatus(const QString& ifShowing) = 0;
    // 0: neither log box ticked, 1: "x >" (new log), 2: "> >" (append).
    virtual void showLogMode(int mode) = 0;
    virtual void showAllTypes(bool checked) = 0;
    virtual void showTypeBox(SentenceType type, TypeBox state) = 0;
    virtual void enableTypeBox(SentenceType type, bool enabled) = 0;
    // A log box was used: the focus moves on from it.
    virtual void logBoxDone() = 0;
};

class Intake : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype maxLine = 4096;
    using Handler = std::function<void(const QByteArray& sentence)>;

    // A null view or null dialogs: nothing is shown or asked.
    Intake(const QString& appDir, IntakeView* view, zv::Dialogs* dialogs, QObject* parent = nullptr);
    ~Intake() override;

    // Decoder for one sentence type; types without one are only logged.
    void setHandler(SentenceType type, Handler handler);

    // Port number 1..8 from the selector value (9 - value); reopens Comm1.
    void PortS_Change(int value);
    // Opens COMn: the serial port at 4800,n,8,1, or the network source a
    // [Devices] value "tcp:HOST:PORT" / "udp:PORT" names for it. A serial
    // failure is reported once in the status line; a network source says what
    // it reads there and reconnects by itself.
    bool openPort(int number);
    // Opens the current source again if it is closed (START), COMn's if
    // there is none yet. A source that opens takes a port failure shown in
    // the status line off it.
    bool openSource();
    QSerialPort* comm1() { return &m_comm1; }
    // The source being read (serial, tcp or udp); null before the first open.
    ReceiverSource* source() const { return m_source; }
    int portNumber() const { return m_portNumber; }

    // Reads from another device instead of Comm1 (tests, replays).
    void attachDevice(QIODevice* device);
    // Drains the attached device or Comm1.
    void Anzeige();
    // Handles bytes as if received.
    void feed(QByteArrayView bytes);

    // The log box index ("x >" 0, "> >" 1) was clicked to the given state.
    void Check1_MouseUp(int index, bool checked);
    // ALL ticked: every type is logged and the type boxes are greyed;
    // unticked: the type boxes return to RMC and GGA.
    void ALL_Click(bool checked);
    // Pressing a type box while ALL is checked unchecks ALL first.
    void typePressed(SentenceType type);
    // The user ticked or unticked a type box.
    void setTypeChecked(SentenceType type, bool checked);
    // RESET and LOAD: each type box waits for its next sentence again.
    void disableTypeBoxes();
    bool allTypes() const { return m_all; }
    TypeBox typeBox(SentenceType type) const { return m_types[static_cast<size_t>(type)]; }
    bool typeBoxEnabled(SentenceType type) const { return m_typeEnabled[static_cast<size_t>(type)]; }

    // The per-type check-box and log step every decoder begins with.
    void typeStep(SentenceType type);
    // Sample tick and course trigger: log the next sentence of every type.
    void setAllLogNext() { m_logNext.fill(true); }
    bool logNext(SentenceType type) const { return m_logNext[static_cast<size_t>(type)]; }
    int logMode() const { return m_logMode; }
    QString logPath() const;

    const QByteArray& sentence() const { return m_sentence; }
    qint64 dispatchedCount() const { return m_dispatched; }

Q_SIGNALS:
    // A port or log failure, with the text the status line shows.
    void failureReported(const QString& text);

private:
    void handleLine(const QByteArray& line);
    void writeLog(const QByteArray& sentence);
    void report(const QString& text);
    void showSourceStatus(const QString& text, bool failure);
    void reportPortFailure(const QString& text);
    void readFrom(QIODevice* device);
    void readSource();
    void closeSource();

    QString m_appDir;
    IntakeView* m_view;
    bool m_all = false;
    std::array<TypeBox, sentenceTypeCount> m_types{TypeBox::Checked, TypeBox::Unchecked, TypeBox::Checked,
                                                  TypeBox::Unchecked, TypeBox::Unchecked, TypeBox::Unchecked};
    std::array<bool, sentenceTypeCount> m_typeEnabled{}; // until the first sentence of the type
    zv::Dialogs* m_dialogs;
    zv::DeviceOverrides m_devices;
    QSerialPort m_comm1;
    ReceiverSource* m_source = nullptr; // child of the intake
    QString m_lastSourceFailure;
    QString m_portFailureShown;         // the port failure the status line shows
    QPointer<QIODevice> m_attached;
    int m_portNumber = 1;
    zv::LineSplitter m_splitter{maxLine};
    QByteArray m_sentence;
    std::array<Handler, sentenceTypeCount> m_handlers;
    int m_logMode = 0;
    std::array<bool, sentenceTypeCount> m_logNext{};
    QFile m_log;
    qint64 m_dispatched = 0;
};

} // namespace vur
