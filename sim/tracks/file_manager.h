#pragma once
// The logic of the small file manager beside the output list: the name
// patterns of the file list, the name field's narrowing rules, rename and
// delete with the system's reason on failure, and the panel's states
// (normal, rename pending, download mode). No widget is touched here: each
// action returns a FilePanelUpdate the window applies.
#include <QString>
#include <QStringList>

#include <optional>

namespace zelvan {

inline constexpr auto kNmeaPattern = "*.log;*.nma";
inline constexpr auto kTrackPattern = "*.trl;*.trk;*.plt;*.gpx";
inline constexpr auto kAllPattern = "*.log;*.nma;*.trl;*.trk;*.plt;*.KML;*.gpx";

enum class PatternButton { Nmea, Track, All };
QString patternForButton(PatternButton b);

// The file list's pattern from the text of FileT:
//  "*abc" -> "*abc*" (a text with "*" gets one more at the end);
//  "day1.log" -> "day1*.log" (a "*" before the first ".");
//  "log" with "*.log;*.nma" -> "log*.log;log*.nma" (the text before every
//  extension of filePattern; the result grows by at most 40 characters);
//  "" -> filePattern. The result is trimmed.
QString patternFromNameField(const QString& typed, const QString& filePattern);

// The wildcard parts of a pattern ("*.log;*.nma" -> {"*.log", "*.nma"}),
// for QDir/QFileSystemModel name filters, which must match without regard
// to case (".LOG" and ".KML" files exist). An empty pattern shows all files.
QStringList nameFiltersForPattern(const QString& pattern);
// Whether a file name matches one of the pattern's parts ("*" any run, "?"
// one character), without regard to case.
bool matchesFilePattern(const QString& fileName, const QString& pattern);

// Outcome of a rename or delete; error holds the system's reason.
struct FileOpResult {
    bool ok = false;
    QString error;
};
// Renames path to newName in the same folder. Never replaces an existing
// file; refuses a name with a folder separator; a missing source, missing
// rights or an existing target come back with the system's reason.
FileOpResult renameTrackFile(const QString& path, const QString& newName);
// Deletes the file (never a folder).
FileOpResult deleteTrackFile(const QString& path);

// Message box texts for failures (title, text).
struct FailureMessage {
    QString title;
    QString text;
};
FailureMessage renameFailureMessage(const QString& path, const QString& newName, const QString& reason);
FailureMessage deleteFailureMessage(const QString& path, const QString& reason);

// The prompt shown while the name of fileName is being edited.
QString renamePromptText(const QString& fileName);

// The line shown in the empty output list, so a new user learns how to
// start: what a click does, or what to do when the folder has no files.
QString emptyOutputListHint(bool manualMode, bool filesListed);

// trackPath split for a rename: folder with its trailing separator, and name.
struct PathParts {
    QString folder;
    QString name;
};
PathParts splitTrackPath(const QString& path);

// Changes the window makes after an action; unset members stay as they are.
struct FilePanelUpdate {
    std::optional<QString> file1Pattern;   // File1's pattern (nameFiltersForPattern)
    std::optional<QString> fileTText;      // FileT's text; its change handler then runs as for
                                           // typing and sets file1Pattern's final value
    std::optional<bool> patternButtonsVisible; // NMEA, TRACK, ALL, SAVE (and LOA, see loaVisible)
    std::optional<bool> loaVisible;
    std::optional<bool> loaEnabled;
    std::optional<bool> downloadEnabled;   // DownloadC
    std::optional<QString> loaToolTip;
    std::optional<QString> file1ToolTip;
    std::optional<QString> renamePrompt;   // the line shown while a rename is pending; empty hides it
    bool refreshFile1 = false;
    bool focusEnde = false;
    bool focusFileT = false;
    bool closeAllFiles = false;
    bool cancelAction = false;             // enable DirSel and Manu
    bool beep = false;
    bool leaveGarminPort = false;          // close Comm2, download mode 0, gauge 0, stop Timer3
    bool refillPortList = false;           // FillPortList, then select outPortIndex again
    std::optional<FailureMessage> failure; // show as a warning message box
};

// The file panel's own state: filePattern, the pending rename, suppressLoad.
class FileManagerState {
public:
    explicit FileManagerState(QString filePattern = QString());

    const QString& filePattern() const { return m_filePattern; }
    const QString& renameFolder() const { return m_renameFolder; }
    bool renamePending() const { return !m_renameFolder.isEmpty(); }
    int suppressLoad() const { return m_suppressLoad; }
    void clearSuppressLoad() { m_suppressLoad = 0; }

    // Start-up (stored [Files] Names).
    void setFilePattern(const QString& pattern) { m_filePattern = pattern.trimmed(); }

    // NMEA, TRACK, ALL.
    FilePanelUpdate patternButton(PatternButton b);
    // LOA outside download mode, with the stored pattern ([Files] Names).
    FilePanelUpdate loadPattern(const QString& storedPattern);
    // FileT's change: the file list's pattern for its text.
    FilePanelUpdate nameFieldChanged(const QString& text) const;
    // The file menu opened (long press or context menu) on trackPath.
    FilePanelUpdate menuOpened();
    // MRen: FileT shows the name, the pattern buttons hide, DownloadC off.
    FilePanelUpdate beginRename(const QString& trackPath);
    // Enter in FileT while a rename is pending. On failure the file keeps
    // its name, the list is refreshed and the panel returns to normal.
    FilePanelUpdate commitRename(const QString& trackPath, const QString& fileTText);
    // Esc while a rename is pending: the panel returns to normal, the file
    // keeps its name. Nothing happens when no rename is pending.
    FilePanelUpdate cancelRename();
    // MDel: delete at once, beep, clear FileT, refresh, cancel action.
    FilePanelUpdate deleteFile(const QString& trackPath);
    // Mcan.
    FilePanelUpdate cancelMenu();
    // The end of a Garmin download.
    FilePanelUpdate leaveDownloadMode();

private:
    QString m_filePattern;
    QString m_renameFolder;
    int m_suppressLoad = 0;
};

} // namespace zelvan
