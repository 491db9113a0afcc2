#include "sim/settings/sim_settings.h"

#include "common/number_text.h"
#include "sim/replay/channels/port_list.h"

#include <QDir>
#include <QFileInfo>

namespace zelvan {
namespace {

const QString kPort = QStringLiteral("Port");
const QString kGpsPort = QStringLiteral("GPS-Port");
const QString kTimeZone = QStringLiteral("TimeZone");
const QString kUnits = QStringLiteral("Units");
const QString kFiles = QStringLiteral("Files");
const QString kManu = QStringLiteral("Manu");

int spinnerIndex(Spinner s) { return static_cast<int>(s); }

} // namespace

QString spinnerObjectName(Spinner s)
{
    switch (s) {
    case Spinner::VSc4: return QStringLiteral("VSc4");
    case Spinner::VSc2: return QStringLiteral("VSc2");
    case Spinner::VSc3: return QStringLiteral("VSc3");
    default: break;
    }
    const int i = spinnerIndex(s);
    if (i >= spinnerIndex(Spinner::HSc1_0))
        return QStringLiteral("HSc1(%1)").arg(i - spinnerIndex(Spinner::HSc1_0));
    return QStringLiteral("VSc1(%1)").arg(i - spinnerIndex(Spinner::VSc1_0));
}

IntRange spinnerRange(Spinner s)
{
    switch (s) {
    case Spinner::VSc4: return {0, 10};
    case Spinner::VSc2: return {0, 2000};
    case Spinner::VSc3: return {0, 200};
    case Spinner::VSc1_0: return {-89, 89};
    case Spinner::HSc1_0: return {-179, 179};
    case Spinner::VSc1_3:
    case Spinner::HSc1_3: return {0, 9};
    default: return {0, 59};
    }
}

int SimSettings::spinner(Spinner s) const
{
    switch (s) {
    case Spinner::VSc4: return manuAuto;
    case Spinner::VSc2: return manuAlt;
    case Spinner::VSc3: return manuSpeed;
    default: break;
    }
    const int i = spinnerIndex(s);
    if (i >= spinnerIndex(Spinner::HSc1_0))
        return posE[static_cast<size_t>(i - spinnerIndex(Spinner::HSc1_0))];
    return posN[static_cast<size_t>(i - spinnerIndex(Spinner::VSc1_0))];
}

void SimSettings::setSpinner(Spinner s, int value)
{
    switch (s) {
    case Spinner::VSc4: manuAuto = value; return;
    case Spinner::VSc2: manuAlt = value; return;
    case Spinner::VSc3: manuSpeed = value; return;
    default: break;
    }
    const int i = spinnerIndex(s);
    if (i >= spinnerIndex(Spinner::HSc1_0))
        posE[static_cast<size_t>(i - spinnerIndex(Spinner::HSc1_0))] = value;
    else
        posN[static_cast<size_t>(i - spinnerIndex(Spinner::VSc1_0))] = value;
}

QString programDirText(const QString& programDir)
{
    QString text = QDir::toNativeSeparators(programDir);
    if (!text.endsWith(QDir::separator()))
        text += QDir::separator();
    return text;
}

QString defaultDataPath(const QString& programDir)
{
    const QString base = programDirText(programDir);
    if (QFileInfo(base + QStringLiteral("Tracks")).isDir())
        return base + QStringLiteral("Tracks") + QDir::separator();
    return base;
}

std::optional<QString> existingDataDir(const QString& storedPath, const QString& programDir)
{
    if (storedPath.trimmed().isEmpty())
        return std::nullopt;
    const QString full = QDir::isAbsolutePath(storedPath) ? storedPath : QDir(programDir).filePath(storedPath);
    if (!QFileInfo(full).isDir())
        return std::nullopt;
    return QDir::toNativeSeparators(full);
}

QString startupDataDir(const QString& storedPath, const QString& programDir)
{
    return existingDataDir(storedPath, programDir).value_or(programDirText(programDir));
}

QString dirSelToolTip(const QString& path)
{
    return QStringLiteral("Data-Path (") + path + QLatin1Char(')');
}

SimSettings readSimSettings(const IniFile& ini, const QString& programDir)
{
    const SimSettings d;
    SimSettings s;
    auto index = [](int v, int count, int fallback) { return v >= 0 && v < count ? v : fallback; };
    s.outPortIndex = index(ini.readInt(kPort, u"COM", d.outPortIndex), kPortListSize, d.outPortIndex);
    s.garminPortIndex = index(ini.readInt(kGpsPort, u"COM", d.garminPortIndex), kPortCount, d.garminPortIndex);
    s.showLocal = ini.readInt(kTimeZone, u"CET", d.showLocal) == 1 ? 1 : 0;
    s.tzDiff = kTzDiffRange.clamp(ini.readInt(kTimeZone, u"Diff", d.tzDiff));
    s.metricUnits = ini.readInt(kUnits, u"kmh", d.metricUnits) == 1 ? 1 : 0;
    s.filePattern = ini.readText(kFiles, u"Names", d.filePattern);
    // The default is not cut: a program folder deeper than the 39 characters
    // of a stored value must still find its own Tracks folder.
    if (ini.rawValue(kFiles, u"Path"))
        s.dataPath = ini.readText(kFiles, u"Path", QString());
    else
        s.dataPath = defaultDataPath(programDir);
    const QString manuKeys[] = {
        QStringLiteral("Auto"),  QStringLiteral("Alt"),   QStringLiteral("Speed"), QStringLiteral("PosN0"),
        QStringLiteral("PosN1"), QStringLiteral("PosN2"), QStringLiteral("PosN3"), QStringLiteral("PosE0"),
        QStringLiteral("PosE1"), QStringLiteral("PosE2"), QStringLiteral("PosE3"),
    };
    for (size_t i = 0; i < kSpinnerStartupOrder.size(); ++i) {
        const Spinner sp = kSpinnerStartupOrder[i];
        s.setSpinner(sp, spinnerRange(sp).clamp(ini.readInt(kManu, manuKeys[i], d.spinner(sp))));
    }
    return s;
}

QList<IniEntry> exitEntries(const SimSettings& s)
{
    auto num = [](int v) { return zv::plainNumberText(v); };
    QList<IniEntry> e = {
        {kPort, QStringLiteral("COM"), num(s.outPortIndex)},
        {kGpsPort, QStringLiteral("COM"), num(s.garminPortIndex)},
        {kTimeZone, QStringLiteral("CET"), num(s.showLocal)},
        {kTimeZone, QStringLiteral("Diff"), num(s.tzDiff)},
        {kUnits, QStringLiteral("kmh"), num(s.metricUnits)},
        {kFiles, QStringLiteral("Path"), s.dataPath},
        {kManu, QStringLiteral("Auto"), num(s.manuAuto)},
        {kManu, QStringLiteral("Alt"), num(s.manuAlt)},
        {kManu, QStringLiteral("Speed"), num(s.manuSpeed)},
    };
    for (size_t i = 0; i < 4; ++i) {
        e.append({kManu, QStringLiteral("PosN%1").arg(i), num(s.posN[i])});
        e.append({kManu, QStringLiteral("PosE%1").arg(i), num(s.posE[i])});
    }
    return e;
}

SettingsFile::SettingsFile(const QString& programDir)
    : m_programDir(programDir), m_path(QDir(programDir).filePath(QString::fromLatin1(kSettingsFileName)))
{
}

IniFile SettingsFile::read() const
{
    return IniFile::load(m_path).value_or(IniFile());
}

SimSettings SettingsFile::load() const
{
    return readSimSettings(read(), m_programDir);
}

std::optional<QString> SettingsFile::writeEntries(const QList<IniEntry>& entries) const
{
    QString error;
    auto ini = IniFile::load(m_path, &error);
    if (!ini) // never replace a file we could not read: its other sections would be lost
        return error;
    for (const IniEntry& e : entries)
        ini->writeValue(e.section, e.key, e.value);
    if (!ini->save(m_path, &error))
        return error;
    return std::nullopt;
}

std::optional<QString> SettingsFile::saveOnExit(const SimSettings& s) const
{
    return writeEntries(exitEntries(s));
}

QString SettingsFile::loadFilePattern() const
{
    return read().readText(kFiles, u"Names", QString::fromLatin1(kDefaultFilePattern));
}

std::optional<QString> SettingsFile::saveFilePattern(const QString& pattern) const
{
    return writeEntries({{kFiles, QStringLiteral("Names"), pattern}});
}

zv::DeviceOverrides SettingsFile::deviceOverrides() const
{
    return zv::loadDeviceOverrides(m_path);
}

quint16 SettingsFile::tcpPort() const
{
    const int port = read().readInt(u"TCP", u"Port", kDefaultTcpPort);
    return port >= 1 && port <= 65535 ? static_cast<quint16>(port) : kDefaultTcpPort;
}

void runStartup(const SimSettings& s, const QString& programDir, StartupSteps& steps)
{
    steps.fillPortList();
    steps.setProgramDir(programDirText(programDir));
    steps.setPace(kStartupTickMs, kStartupRecordsPerTick);
    steps.setShowLocal(s.showLocal);
    steps.setTimeZoneDiff(s.tzDiff);
    steps.setUnits(s.metricUnits);
    if (s.showLocal == 1)
        steps.colourClockLabelsForLocal();
    steps.selectOutputPort(s.outPortIndex);
    steps.setGarminPort(s.garminPortIndex);
    const auto stored = existingDataDir(s.dataPath, programDir);
    steps.setDataDir(stored.value_or(programDirText(programDir)), stored.has_value());
    steps.setFilePattern(s.filePattern.trimmed());
    for (Spinner sp : kSpinnerStartupOrder)
        steps.setSpinner(sp, s.spinner(sp));
    steps.resetAltitudeMinimum(kAltitudeMinimumReset);
}

} // namespace zelvan
