#include "display/intake/intake.h"

#include "common/dialogs.h"
#include "common/file_names.h"
#include "common/save_file.h"
#include "display/intake/receiver_source.h"

#include <QDir>
#include <QTimer>

#include <cerrno>
#include <cstring>

namespace vur {
namespace {

struct DispatchEntry {
    const char* type;
    SentenceType decoder;
};
// Only these six are decoded, from any talker ("$GPRMC", "$GNRMC", "$INRMC"...).
constexpr std::array<DispatchEntry, sentenceTypeCount> dispatchTable{{
    {"RMC", SentenceType::RMC},
    {"RMB", SentenceType::RMB},
    {"GGA", SentenceType::GGA},
    {"GSV", SentenceType::GSV},
    {"GSA", SentenceType::GSA},
    {"VTG", SentenceType::VTG},
}};

// Bytes taken from the source per receive event before the window gets a turn.
constexpr qint64 drainChunk = 64 * 1024;
constexpr int drainChunksPerEvent = 64;

size_t index(SentenceType type) { return static_cast<size_t>(type); }

} // namespace

Intake::Intake(const QString& appDir, IntakeView* view, zv::Dialogs* dialogs, QObject* parent)
    : QObject(parent), m_appDir(appDir), m_view(view), m_dialogs(dialogs),
      m_devices(zv::loadDeviceOverrides(QDir(appDir).filePath(QStringLiteral("Vur.ini"))))
{
    m_comm1.setObjectName(QStringLiteral("Comm1"));
}

Intake::~Intake()
{
    closeSource();
    m_comm1.close();
    m_log.close();
}

void Intake::setHandler(SentenceType type, Handler handler)
{
    m_handlers[index(type)] = std::move(handler);
}

void Intake::PortS_Change(int value)
{
    const int number = 9 - value;
    if (m_view)
        m_view->showPortName(QStringLiteral("COM") + QString::number(number));
    openPort(number);
}

bool Intake::openPort(int number)
{
    closeSource();
    m_portNumber = number;
    // A line begun on the previous port is not continued by another device.
    m_splitter.clear();
    const QString name = QStringLiteral("COM") + QString::number(number);
    const QString target = zv::resolvePortName(name, m_devices);
    const NetworkSpec net = parseNetworkSource(target);
    if (!net.error.isEmpty()) {
        reportPortFailure(name + QStringLiteral(": ") + net.error);
        return false;
    }
    if (!net.endpoint)
        m_source = new SerialSource(&m_comm1, name, target, this);
    else if (net.endpoint->kind == NetworkEndpoint::Kind::Tcp)
        m_source = new TcpSource(*net.endpoint, this);
    else
        m_source = new UdpSource(*net.endpoint, this);
    m_source->setObjectName(name);
    connect(m_source, &ReceiverSource::readyRead, this, &Intake::Anzeige);
    connect(m_source, &ReceiverSource::statusChanged, this, &Intake::showSourceStatus);
    connect(m_source, &ReceiverSource::streamRestarted, this, [this] { m_splitter.clear(); });
    return openSource();
}

bool Intake::openSource()
{
    if (!m_source)
        return openPort(m_portNumber);
    if (m_source->isOpen())
        return true;
    if (!m_source->open())
        return false;
    // The port reads now: a failure of this or an earlier port is over.
    // (Network sources say what they read themselves.)
    if (!m_portFailureShown.isEmpty() && m_view)
        m_view->clearStatus(m_portFailureShown);
    m_portFailureShown.clear();
    m_lastSourceFailure.clear();
    return true;
}

void Intake::closeSource()
{
    if (!m_source)
        return;
    disconnect(m_source, nullptr, this, nullptr);
    m_source->close();
    // Possibly inside one of its own signals: deleted once that has returned.
    m_source->deleteLater();
    m_source = nullptr;
    m_lastSourceFailure.clear();
}

void Intake::showSourceStatus(const QString& text, bool failure)
{
    if (!failure) {
        m_lastSourceFailure.clear();
        m_portFailureShown.clear();
        if (m_view)
            m_view->showStatus(text);
        return;
    }
    // A peer that stays away fails every few seconds in the same way: one report.
    if (text == m_lastSourceFailure)
        return;
    m_lastSourceFailure = text;
    reportPortFailure(text);
}

void Intake::reportPortFailure(const QString& text)
{
    report(text);
    m_portFailureShown = text;
}

void Intake::attachDevice(QIODevice* device)
{
    if (m_attached)
        disconnect(m_attached, nullptr, this, nullptr);
    m_attached = device;
    if (device)
        connect(device, &QIODevice::readyRead, this, &Intake::Anzeige);
}

void Intake::Anzeige()
{
    if (m_attached)
        readFrom(m_attached);
    if (m_source)
        readSource();
}

void Intake::readSource()
{
    for (int i = 0; i < drainChunksPerEvent; ++i) {
        if (!m_source)
            return;
        const QByteArray bytes = m_source->read(drainChunk);
        if (bytes.isEmpty())
            return;
        feed(bytes);
    }
    // A flood (a UDP broadcast storm) is drained in turns so the window stays usable.
    QTimer::singleShot(0, this, &Intake::Anzeige);
}

void Intake::readFrom(QIODevice* device)
{
    char buffer[1024];
    while (device->bytesAvailable() > 0) {
        const qint64 n = device->read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        feed(QByteArrayView(buffer, n));
    }
}

void Intake::feed(QByteArrayView bytes)
{
    for (const QByteArray& line : m_splitter.feed(bytes))
        handleLine(line);
}

void Intake::handleLine(const QByteArray& line)
{
    // A line without "$" holds no sentence: it is dropped rather than
    // decoding and logging the previous sentence a second time.
    std::optional<QByteArray> sentence = extractSentence(line);
    if (!sentence)
        return;
    m_sentence = *sentence;
    ++m_dispatched;
    const QByteArrayView type = typeOf(m_sentence);
    for (const DispatchEntry& entry : dispatchTable) {
        if (!type.isEmpty() && type == entry.type) {
            if (const Handler& handler = m_handlers[index(entry.decoder)])
                handler(m_sentence);
            break;
        }
    }
    if (m_all && m_logMode != 0)
        writeLog(m_sentence);
}

void Intake::typeStep(SentenceType type)
{
    const size_t i = index(type);
    if (!m_all && !m_typeEnabled[i]) {
        m_typeEnabled[i] = true;
        if (m_view)
            m_view->enableTypeBox(type, true);
    }
    if (m_types[i] == TypeBox::Checked && m_logNext[i]) {
        writeLog(m_sentence);
        m_logNext[i] = false;
    }
}

QString Intake::logPath() const
{
    return QDir(m_appDir).filePath(QStringLiteral("Vur.log"));
}

void Intake::writeLog(const QByteArray& sentence)
{
    if (!m_log.isOpen())
        return;
    // Written line by line so a crash or power cut loses at most one line.
    const QByteArray line = sentence + "\r\n";
    errno = 0;
    if (m_log.write(line) == line.size() && m_log.flush())
        return;
    const QString reason = zv::writeErrorText(m_log, errno);
    // A full disk or a vanished folder: stop logging and say so once,
    // rather than dropping every later line without a word.
    const QString text = QStringLiteral("Protokoll angehalten: ") + logPath() + QStringLiteral("\n") + reason;
    m_log.close();
    m_logMode = 0;
    if (m_view)
        m_view->showLogMode(0);
    report(text);
    if (m_dialogs)
        m_dialogs->message(text, QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
}

void Intake::Check1_MouseUp(int index, bool checked)
{
    if (index < 0 || index > 1)
        return;
    // The two boxes exclude each other.
    m_logMode = checked ? index + 1 : 0;
    m_log.close();
    if (m_logMode != 0) {
        m_log.setFileName(logPath());
        const QIODevice::OpenMode mode = m_logMode == 1 ? (QIODevice::WriteOnly | QIODevice::Truncate)
                                                        : (QIODevice::WriteOnly | QIODevice::Append);
        // A log the user made read-only is kept, also when the system would let root write it.
        const bool readOnly = zv::isReadOnlyByMode(logPath());
        if (readOnly || !m_log.open(mode)) {
            // Nothing would be recorded: say so and show the box unchecked.
            const QString text = logPath() + QStringLiteral(": ")
                                 + (readOnly ? QString::fromLocal8Bit(std::strerror(EACCES)) : m_log.errorString());
            report(text);
            if (m_dialogs)
                m_dialogs->message(text, QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
            m_logMode = 0;
        }
    }
    if (m_view) {
        m_view->showLogMode(m_logMode);
        m_view->logBoxDone();
    }
    if (m_dialogs)
        m_dialogs->beep();
}

void Intake::ALL_Click(bool checked)
{
    m_all = checked;
    if (m_view)
        m_view->showAllTypes(checked);
    static constexpr std::array<TypeBox, sentenceTypeCount> defaults{TypeBox::Checked, TypeBox::Unchecked,
                                                                     TypeBox::Checked, TypeBox::Unchecked,
                                                                     TypeBox::Unchecked, TypeBox::Unchecked};
    // Greyed: none of them counts as checked for the per-type log.
    for (size_t i = 0; i < m_types.size(); ++i) {
        m_types[i] = checked ? TypeBox::Greyed : defaults[i];
        if (m_view)
            m_view->showTypeBox(static_cast<SentenceType>(i), m_types[i]);
    }
}

void Intake::typePressed(SentenceType)
{
    if (m_all)
        ALL_Click(false);
}

void Intake::setTypeChecked(SentenceType type, bool checked)
{
    m_types[index(type)] = checked ? TypeBox::Checked : TypeBox::Unchecked;
}

void Intake::disableTypeBoxes()
{
    for (size_t i = 0; i < m_typeEnabled.size(); ++i) {
        m_typeEnabled[i] = false;
        if (m_view)
            m_view->enableTypeBox(static_cast<SentenceType>(i), false);
    }
}

void Intake::report(const QString& text)
{
    if (m_view)
        m_view->showStatus(text);
    Q_EMIT failureReported(text);
}

} // namespace vur
