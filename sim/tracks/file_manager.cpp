#include "sim/tracks/file_manager.h"

#include "common/file_names.h"

#include <QDir>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

namespace zelvan {
namespace {

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool hasSeparator(const QString& name)
{
    if (name.contains(QLatin1Char('/')))
        return true;
#ifdef Q_OS_WIN
    if (name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        return true;
#endif
    return false;
}

} // namespace

QString patternForButton(PatternButton b)
{
    switch (b) {
    case PatternButton::Nmea: return QString::fromLatin1(kNmeaPattern);
    case PatternButton::Track: return QString::fromLatin1(kTrackPattern);
    case PatternButton::All: break;
    }
    return QString::fromLatin1(kAllPattern);
}

QString patternFromNameField(const QString& typed, const QString& filePattern)
{
    if (typed.contains(QLatin1Char('*')))
        return (typed + QLatin1Char('*')).trimmed();
    if (const qsizetype dot = typed.indexOf(QLatin1Char('.')); dot >= 0)
        return (typed.left(dot) + QLatin1Char('*') + typed.mid(dot)).trimmed();
    if (typed.isEmpty())
        return filePattern.trimmed();
    // The text goes in place of the character before each extension's ".",
    // element by element; the pattern may grow by 40 characters at most.
    const qsizetype room = filePattern.size() + 40;
    QStringList parts = filePattern.split(QLatin1Char(';'));
    for (QString& part : parts) {
        const qsizetype dot = part.indexOf(QLatin1Char('.'));
        if (dot < 0)
            continue;
        const qsizetype from = dot > 0 ? dot - 1 : 0;
        part = part.left(from) + typed + QLatin1Char('*') + part.mid(dot);
    }
    return parts.join(QLatin1Char(';')).left(room).trimmed();
}

QStringList nameFiltersForPattern(const QString& pattern)
{
    QStringList filters;
    for (const QString& part : pattern.split(QLatin1Char(';'))) {
        const QString p = part.trimmed();
        if (!p.isEmpty())
            filters.append(p);
    }
    if (filters.isEmpty())
        filters.append(QStringLiteral("*"));
    return filters;
}

bool matchesFilePattern(const QString& fileName, const QString& pattern)
{
    // A regular expression takes no lone surrogate: odd bytes of a name that
    // is not UTF-8 are matched as "_" on both sides.
    const QString name = zv::plainFileName(fileName);
    for (const QString& filter : nameFiltersForPattern(zv::plainFileName(pattern))) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(filter),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

FileOpResult renameTrackFile(const QString& path, const QString& newName)
{
    const QString name = newName.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || hasSeparator(name))
        return {false, systemReason(EINVAL)};
    // Names as the system gives them: one that is not UTF-8 is renamed like any other.
    if (!zv::exists(path))
        return {false, systemReason(ENOENT)};
    if (zv::isDir(path))
        return {false, systemReason(EISDIR)};
    const QString source = zv::absolutePath(path);
    const QString target = QDir(source.left(source.lastIndexOf(QLatin1Char('/')) + 1)).filePath(name);
    if (target == source)
        return {true, QString()};
    // Renaming never replaces an existing file; checking first gives the
    // plain reason instead of Qt's wording.
    if (zv::exists(target))
        return {false, systemReason(EEXIST)};
    QString reason;
    if (!zv::renameFile(path, target, &reason))
        return {false, reason.isEmpty() ? systemReason(EACCES) : reason};
    return {true, QString()};
}

FileOpResult deleteTrackFile(const QString& path)
{
    if (path.isEmpty() || !zv::exists(path))
        return {false, systemReason(ENOENT)};
    if (zv::isDir(path))
        return {false, systemReason(EISDIR)};
    QString reason;
    if (!zv::removeFile(path, &reason))
        return {false, reason.isEmpty() ? systemReason(EACCES) : reason};
    return {true, QString()};
}

FailureMessage renameFailureMessage(const QString& path, const QString& newName, const QString& reason)
{
    return {QStringLiteral("Rename"), QStringLiteral("Cannot rename\n") + QDir::toNativeSeparators(path)
                                          + QStringLiteral("\nto ") + newName + QStringLiteral("\n\n") + reason};
}

FailureMessage deleteFailureMessage(const QString& path, const QString& reason)
{
    return {QStringLiteral("Delete"),
            QStringLiteral("Cannot delete\n") + QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + reason};
}

QString renamePromptText(const QString& fileName)
{
    return QStringLiteral("New name for %1: Enter renames, Esc cancels").arg(fileName);
}

QString emptyOutputListHint(bool manualMode, bool filesListed)
{
    if (manualMode)
        return QStringLiteral("-> starts the manual run");
    if (!filesListed)
        return QStringLiteral("No track files in this folder: Folder... picks another");
    return QStringLiteral("Click a file to replay it, or > to start the first one");
}

PathParts splitTrackPath(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    qsizetype cut = native.lastIndexOf(QDir::separator());
    if (cut < 0)
        return {QString(), native};
    return {native.left(cut + 1), native.mid(cut + 1)};
}

FileManagerState::FileManagerState(QString filePattern) : m_filePattern(std::move(filePattern).trimmed()) {}

FilePanelUpdate FileManagerState::patternButton(PatternButton b)
{
    m_filePattern = patternForButton(b);
    FilePanelUpdate u;
    u.file1Pattern = patternFromNameField(m_filePattern, m_filePattern);
    u.fileTText = m_filePattern;
    u.focusEnde = true;
    return u;
}

FilePanelUpdate FileManagerState::loadPattern(const QString& storedPattern)
{
    m_filePattern = storedPattern.trimmed();
    FilePanelUpdate u;
    u.file1Pattern = patternFromNameField(m_filePattern, m_filePattern);
    u.fileTText = m_filePattern;
    u.focusEnde = true;
    return u;
}

FilePanelUpdate FileManagerState::nameFieldChanged(const QString& text) const
{
    FilePanelUpdate u;
    u.file1Pattern = patternFromNameField(text, m_filePattern);
    return u;
}

FilePanelUpdate FileManagerState::menuOpened()
{
    m_suppressLoad = 1;
    FilePanelUpdate u;
    u.closeAllFiles = true;
    return u;
}

FilePanelUpdate FileManagerState::beginRename(const QString& trackPath)
{
    const PathParts parts = splitTrackPath(trackPath);
    FilePanelUpdate u;
    u.closeAllFiles = true;
    u.cancelAction = true;
    if (parts.name.isEmpty()) // nothing was clicked yet
        return u;
    m_renameFolder = parts.folder.isEmpty() ? QStringLiteral(".") + QDir::separator() : parts.folder;
    u.patternButtonsVisible = false;
    u.loaVisible = false;
    u.downloadEnabled = false;
    u.fileTText = parts.name;
    u.focusFileT = true;
    u.renamePrompt = renamePromptText(parts.name);
    return u;
}

FilePanelUpdate FileManagerState::commitRename(const QString& trackPath, const QString& fileTText)
{
    FilePanelUpdate u;
    if (m_renameFolder.isEmpty())
        return u;
    m_renameFolder.clear();
    const FileOpResult r = renameTrackFile(trackPath, fileTText);
    if (!r.ok)
        u.failure = renameFailureMessage(trackPath, fileTText.trimmed(), r.error);
    u.file1Pattern = m_filePattern;
    u.refreshFile1 = true;
    u.fileTText = QString();
    u.patternButtonsVisible = true;
    u.loaVisible = true;
    u.downloadEnabled = true;
    u.renamePrompt = QString();
    return u;
}

FilePanelUpdate FileManagerState::cancelRename()
{
    FilePanelUpdate u;
    if (m_renameFolder.isEmpty())
        return u;
    m_renameFolder.clear();
    u.file1Pattern = m_filePattern;
    u.fileTText = QString();
    u.patternButtonsVisible = true;
    u.loaVisible = true;
    u.downloadEnabled = true;
    u.renamePrompt = QString();
    u.focusEnde = true;
    return u;
}

FilePanelUpdate FileManagerState::deleteFile(const QString& trackPath)
{
    FilePanelUpdate u;
    u.closeAllFiles = true;
    const FileOpResult r = deleteTrackFile(trackPath);
    if (r.ok)
        u.beep = true;
    else
        u.failure = deleteFailureMessage(trackPath, r.error);
    u.fileTText = QString();
    u.refreshFile1 = true;
    u.cancelAction = true;
    return u;
}

FilePanelUpdate FileManagerState::cancelMenu()
{
    FilePanelUpdate u;
    u.cancelAction = true;
    return u;
}

FilePanelUpdate FileManagerState::leaveDownloadMode()
{
    FilePanelUpdate u;
    u.leaveGarminPort = true;
    u.file1Pattern = m_filePattern;
    u.fileTText = m_filePattern;
    u.patternButtonsVisible = true;
    u.loaVisible = true;
    u.loaEnabled = true;
    u.closeAllFiles = true;
    u.downloadEnabled = true;
    u.refillPortList = true;
    u.loaToolTip = QStringLiteral("Load Fileselection");
    u.file1ToolTip = QStringLiteral("Start - Rename/Delete");
    return u;
}

} // namespace zelvan
