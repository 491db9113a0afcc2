#pragma once
// Zelvan's stored settings: the keys of Zelvan.ini with their defaults, the
// ranges of the controls they feed, the start-up order and the exit order.
#include "common/port_names.h"
#include "sim/replay/channels/channel_config.h"
#include "sim/settings/ini_file.h"

#include <QString>

#include <array>
#include <optional>

namespace zelvan {

inline constexpr auto kSettingsFileName = "Zelvan.ini";
inline constexpr auto kDefaultFilePattern = "*.log;*.nma;*.trl;*.trk;*.plt";
// [GPS-Port] COM is accepted as before (COM1-16, Port1-4, LPT1-3, TCP);
// [Port] COM takes any entry of the output list (kPortListSize, UDP too).
inline constexpr int kPortCount = 24;
inline constexpr int kPortListIgnore = 99;     // garminPortIndex while start-up selects PortC
inline constexpr int kStartupTickMs = 1000;
inline constexpr int kStartupRecordsPerTick = 1;
inline constexpr int kAltitudeMinimumReset = 9999;

struct IntRange {
    int min;
    int max;
    int clamp(int v) const { return v < min ? min : (v > max ? max : v); }
};

// The spinners whose values are stored, in the order start-up sets them.
enum class Spinner {
    VSc4, VSc2, VSc3,
    VSc1_0, VSc1_1, VSc1_2, VSc1_3,
    HSc1_0, HSc1_1, HSc1_2, HSc1_3,
};
inline constexpr std::array<Spinner, 11> kSpinnerStartupOrder = {
    Spinner::VSc4,   Spinner::VSc2,   Spinner::VSc3,   Spinner::VSc1_0, Spinner::VSc1_1, Spinner::VSc1_2,
    Spinner::VSc1_3, Spinner::HSc1_0, Spinner::HSc1_1, Spinner::HSc1_2, Spinner::HSc1_3,
};
// objectName of the control: "VSc4", "VSc1(2)", "HSc1(0)".
QString spinnerObjectName(Spinner s);
IntRange spinnerRange(Spinner s);
inline constexpr IntRange kTzDiffRange{-12, 12};

// Every stored value, as the window holds it.
struct SimSettings {
    int outPortIndex = 0;    // [Port] COM: entry of PortC
    int garminPortIndex = 1; // [GPS-Port] COM
    int showLocal = 0;       // [TimeZone] CET: 1 local time, 0 universal
    int tzDiff = 1;          // [TimeZone] Diff: TZdiff
    int metricUnits = 1;     // [Units] kmh: 1 metric, 0 imperial
    QString filePattern = QString::fromLatin1(kDefaultFilePattern); // [Files] Names (SAVE/LOA only)
    QString dataPath;        // [Files] Path: Dir1's path
    int manuAuto = 2;        // [Manu] Auto -> VSc4
    int manuAlt = 550;       // [Manu] Alt -> VSc2
    int manuSpeed = 50;      // [Manu] Speed -> VSc3
    std::array<int, 4> posN{48, 5, 44, 7};  // [Manu] PosN0..3 -> VSc1(0..3)
    std::array<int, 4> posE{11, 38, 11, 7}; // [Manu] PosE0..3 -> HSc1(0..3)

    int spinner(Spinner s) const;
    void setSpinner(Spinner s, int value);
    bool operator==(const SimSettings&) const = default;
};

// The program directory as text with a trailing separator (native form),
// the base of every path built next to the program.
QString programDirText(const QString& programDir);
// The data path used when none is stored: "<program dir>Tracks<sep>" when
// that folder exists, else the program directory.
QString defaultDataPath(const QString& programDir);
// The stored data folder when it exists (a relative one counts from the
// program directory), else nullopt.
std::optional<QString> existingDataDir(const QString& storedPath, const QString& programDir);
// Where the file lists open at start-up: the stored path when it names an
// existing folder (a relative one counts from the program directory), else
// the program directory.
QString startupDataDir(const QString& storedPath, const QString& programDir);
// Tooltip of DirSel for a data path.
QString dirSelToolTip(const QString& path);

// Reads every key with its default. Values outside what the controls accept
// are brought into range (a spinner clamps, a port index out of the list
// falls back to its default), so a hand-edited file never breaks start-up.
SimSettings readSimSettings(const IniFile& ini, const QString& programDir);

struct IniEntry {
    QString section;
    QString key;
    QString value; // as written after "="
    bool operator==(const IniEntry&) const = default;
};
// The keys the exit writes, in the order it writes them.
QList<IniEntry> exitEntries(const SimSettings& s);

// Zelvan.ini in the program directory: reads, and writes the keys of the
// exit and of SAVE. Each write reads the file afresh, changes only its own
// keys and replaces the file atomically, so [Devices], [TCP], comments and
// keys of other programs survive.
class SettingsFile {
public:
    explicit SettingsFile(const QString& programDir);
    QString path() const { return m_path; }
    QString programDir() const { return m_programDir; }

    // A missing or unreadable file gives all defaults, without a message.
    SimSettings load() const;
    // ENDE: writes the exit keys in their order. nullopt on success, else the
    // reason (the old file is then unchanged).
    std::optional<QString> saveOnExit(const SimSettings& s) const;
    // LOA: [Files] Names (default pattern, cut at 39 characters, trimmed).
    QString loadFilePattern() const;
    // SAVE: writes [Files] Names.
    std::optional<QString> saveFilePattern(const QString& pattern) const;
    // [Devices] overrides for port names.
    zv::DeviceOverrides deviceOverrides() const;
    // [TCP] Port, 1000 when missing or not a valid port.
    quint16 tcpPort() const;

private:
    std::optional<QString> writeEntries(const QList<IniEntry>& entries) const;
    IniFile read() const;

    QString m_programDir;
    QString m_path;
};

// Start-up, in its order. The window implements these steps; runStartup
// calls them one after another so the order lives in one place.
class StartupSteps {
public:
    virtual ~StartupSteps() = default;
    // 1. garminPortIndex = kPortListIgnore, then FillPortList.
    virtual void fillPortList() = 0;
    // 2. The file list's path = the program directory.
    virtual void setProgramDir(const QString& programDirText) = 0;
    // 3. tickInterval and recordsPerTick.
    virtual void setPace(int tickIntervalMs, int recordsPerTick) = 0;
    // 4. showLocal.
    virtual void setShowLocal(int showLocal) = 0;
    // 5. TZdiff value; TZL = tzLabelText(value).
    virtual void setTimeZoneDiff(int diff) = 0;
    // 6. metricUnits, then ApplyUnitLabels.
    virtual void setUnits(int metricUnits) = 0;
    // 7. Only when showLocal is 1: colours of Label2/Label7 for local time.
    virtual void colourClockLabelsForLocal() = 0;
    // 8. outPortIndex; select that PortC entry; a COM entry sets Comm1's
    //    port number to index + 1 (nothing is opened).
    virtual void selectOutputPort(int outPortIndex) = 0;
    // 9. garminPortIndex.
    virtual void setGarminPort(int garminPortIndex) = 0;
    // 10./11. Drive1/Dir1 = the data folder (startupDataDir) and DirSel's
    //     tooltip = dirSelToolTip(dir). storedPathExists is false when the
    //     stored folder is missing and dir is the program directory.
    virtual void setDataDir(const QString& dir, bool storedPathExists) = 0;
    // 12. filePattern (trimmed) applied to File1.
    virtual void setFilePattern(const QString& pattern) = 0;
    // 13. One call per spinner in kSpinnerStartupOrder; the spinner's change
    //     handling runs as for a user change.
    virtual void setSpinner(Spinner s, int value) = 0;
    // 14. Altitude minimum of the read-outs = kAltitudeMinimumReset.
    virtual void resetAltitudeMinimum(int value) = 0;
};
void runStartup(const SimSettings& s, const QString& programDir, StartupSteps& steps);

} // namespace zelvan
