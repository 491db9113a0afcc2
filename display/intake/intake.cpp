#include "display/intake/intake.h"

#include "common/dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

namespace vur {
namespace {

struct DispatchEntry {
    const char* tag;
    SentenceType type;
};
// Tested in this order; only these six are decoded.
constexpr std::array<DispatchEntry, sentenceTypeCount> dispatchTable{{
    {"$GPRMC", SentenceType::RMC},
    {"$GPRMB", SentenceType::RMB},
    {"$GPGGA", SentenceType::GGA},
    {"$GPGSV", SentenceType::GSV},
    {"$GPGSA", SentenceType::GSA},
    {"$GPVTG", SentenceType::VTG},
}};

size_t index(SentenceType type) { return static_cast<size_t>(type); }

} // namespace

Intake::Intake(const QString& appDir, const IntakeWidgets& widgets, zv::Dialogs* dialogs, QObject* parent)
    : QObject(parent), m_appDir(appDir), m_w(widgets), m_dialogs(dialogs),
      m_devices(zv::loadDeviceOverrides(QDir(appDir).filePath(QStringLiteral("Vur.ini"))))
{
    m_comm1.setObjectName(QStringLiteral("Comm1"));
    connect(&m_comm1, &QSerialPort::readyRead, this, &Intake::Anzeige);
    // A receiver unplugged or a pseudo-terminal peer gone makes every read
    // fail at once, thousands of times a second: say it once and close.
    connect(&m_comm1, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if ((e != QSerialPort::ResourceError && e != QSerialPort::ReadError) || !m_comm1.isOpen())
            return;
        const QString reason = m_comm1.errorString();
        m_comm1.close();
        report(QStringLiteral("COM") + QString::number(m_portNumber) + QStringLiteral(": ") + reason);
    });
}

Intake::~Intake()
{
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
    if (m_w.portL)
        m_w.portL->setText(QStringLiteral("COM") + QString::number(number));
    openPort(number);
}

bool Intake::openPort(int number)
{
    if (m_comm1.isOpen())
        m_comm1.close();
    m_portNumber = number;
    const QString name = QStringLiteral("COM") + QString::number(number);
    m_comm1.setPortName(zv::resolvePortName(name, m_devices));
    m_comm1.setBaudRate(4800);
    m_comm1.setDataBits(QSerialPort::Data8);
    m_comm1.setParity(QSerialPort::NoParity);
    m_comm1.setStopBits(QSerialPort::OneStop);
    m_comm1.setFlowControl(QSerialPort::NoFlowControl);
    if (m_comm1.open(QIODevice::ReadOnly))
        return true;
    // Reported once per attempt; the user can choose another port.
    report(name + QStringLiteral(": ") + m_comm1.errorString());
    return false;
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
    if (m_comm1.isOpen())
        readFrom(&m_comm1);
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
    const QByteArrayView head = QByteArrayView(m_sentence).first(std::min<qsizetype>(6, m_sentence.size()));
    for (const DispatchEntry& entry : dispatchTable) {
        if (head == entry.tag) {
            if (const Handler& handler = m_handlers[index(entry.type)])
                handler(m_sentence);
            break;
        }
    }
    if (m_w.all && m_w.all->checkState() == Qt::Checked && m_logMode != 0)
        writeLog(m_sentence);
}

void Intake::typeStep(SentenceType type)
{
    QCheckBox* box = m_w.types[index(type)];
    if (!box)
        return;
    if (m_w.all && m_w.all->checkState() == Qt::Unchecked)
        box->setEnabled(true);
    if (box->checkState() == Qt::Checked && m_logNext[index(type)]) {
        writeLog(m_sentence);
        m_logNext[index(type)] = false;
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
    m_log.write(sentence + "\r\n");
    m_log.flush();
}

void Intake::Check1_MouseUp(int index)
{
    if (index < 0 || index > 1 || !m_w.check1[static_cast<size_t>(index)])
        return;
    QCheckBox* box = m_w.check1[static_cast<size_t>(index)];
    QCheckBox* other = m_w.check1[static_cast<size_t>(1 - index)];
    if (other)
        other->setChecked(false);
    m_logMode = box->isChecked() ? index + 1 : 0;
    m_log.close();
    if (m_logMode != 0) {
        m_log.setFileName(logPath());
        const QIODevice::OpenMode mode = m_logMode == 1 ? (QIODevice::WriteOnly | QIODevice::Truncate)
                                                        : (QIODevice::WriteOnly | QIODevice::Append);
        if (!m_log.open(mode)) {
            // Nothing would be recorded: say so and show the box unchecked.
            const QString text = logPath() + QStringLiteral(": ") + m_log.errorString();
            report(text);
            if (m_dialogs)
                m_dialogs->message(text, QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
            box->setChecked(false);
            m_logMode = 0;
        }
    }
    if (m_w.focusAfterLog)
        m_w.focusAfterLog->setFocus();
    if (m_dialogs)
        m_dialogs->beep();
}

void Intake::ALL_Click()
{
    if (!m_w.all)
        return;
    if (m_w.all->checkState() == Qt::Checked) {
        // Greyed: none of them counts as checked for the per-type log.
        for (QCheckBox* box : m_w.types)
            if (box)
                box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    static constexpr std::array<bool, sentenceTypeCount> defaults{true, false, true, false, false, false};
    for (size_t i = 0; i < m_w.types.size(); ++i) {
        if (QCheckBox* box = m_w.types[i]) {
            box->setTristate(false);
            box->setCheckState(defaults[i] ? Qt::Checked : Qt::Unchecked);
        }
    }
}

void Intake::typePressed(SentenceType)
{
    if (m_w.all && m_w.all->checkState() == Qt::Checked)
        m_w.all->setChecked(false); // runs ALL_Click through the toggle
}

void Intake::report(const QString& text)
{
    if (m_w.status)
        m_w.status->setText(text);
    Q_EMIT failureReported(text);
}

} // namespace vur
