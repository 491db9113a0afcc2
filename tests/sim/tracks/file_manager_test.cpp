#include "sim/tracks/file_manager.h"

#include "sim/settings/sim_settings.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

namespace {

void touch(const QString& path, const QByteArray& bytes = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(FilePattern, NameFieldRules)
{
    struct Case {
        const char* typed;
        const char* filePattern;
        const char* result;
    };
    const Case cases[] = {
        {"*abc", "*.log;*.nma", "*abc*"},
        {"*.log;*.nma", "*.log;*.nma", "*.log;*.nma*"},
        {"*.trl;*.trk;*.plt", "*.trl;*.trk;*.plt", "*.trl;*.trk;*.plt*"},
        {"day1.log", "*.log;*.nma", "day1*.log"},
        {"a.b.c", "*.log", "a*.b.c"},
        {"log", "*.log;*.nma", "log*.log;log*.nma"},
        {"2008", "*.log;*.nma", "2008*.log;2008*.nma"},
        {"x", "*.log;*.nma;*.trl;*.trk;*.plt", "x*.log;x*.nma;x*.trl;x*.trk;x*.plt"},
        {"x", "*.trl;*.trk;*.plt*", "x*.trl;x*.trk;x*.plt*"},
        {"x", "abc*.log", "abcx*.log"},
        {"", "*.log;*.nma", "*.log;*.nma"},
        {"  ", "*.log", "*.log"},
        {"x", "*", "*"},
        {"x", ".log", "x*.log"},
        // The pattern grows by 40 characters at most.
        {"abcdefghijklmnopqrstuvwxyz", "*.a;*.b;*.c", "abcdefghijklmnopqrstuvwxyz*.a;abcdefghijklmnopqrstu"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(patternFromNameField(QString::fromLatin1(c.typed), QString::fromLatin1(c.filePattern)),
                  QString::fromLatin1(c.result))
            << "typed \"" << c.typed << "\" on " << c.filePattern;
}

TEST(FilePattern, ButtonsAndMatching)
{
    EXPECT_EQ(patternForButton(PatternButton::Nmea), QStringLiteral("*.log;*.nma"));
    EXPECT_EQ(patternForButton(PatternButton::Track), QStringLiteral("*.trl;*.trk;*.plt;*.gpx"));
    EXPECT_EQ(patternForButton(PatternButton::All), QStringLiteral("*.log;*.nma;*.trl;*.trk;*.plt;*.KML;*.gpx"));
    EXPECT_EQ(nameFiltersForPattern(QStringLiteral(" *.log ; *.nma ;")), (QStringList{"*.log", "*.nma"}));
    EXPECT_EQ(nameFiltersForPattern(QString()), QStringList{"*"});

    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"day1.log", "*.log;*.nma", true},       {"DAY1.LOG", "*.log;*.nma", true},
        {"route.kml", "*.KML", true},            {"x.nmax", "*.log;*.nma*", true},
        {"x.nmax", "*.log;*.nma", false},        {"2008-05.log", "2008*.log;2008*.nma", true},
        {"2007-05.log", "2008*.log;2008*.nma", false}, {"day1-b.log", "day1*.log", true},
        {"day2.log", "day1*.log", false},        {"a.trk", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesFilePattern(QString::fromLatin1(c.name), QString::fromLatin1(c.pattern)), c.match)
            << c.name << " ~ " << c.pattern;
}

TEST(FileOps, RenameMovesTheFileOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.log"));
    const QString b = dir.filePath(QStringLiteral("b.log"));
    touch(a, "alpha");
    touch(b, "beta");

    // Target exists: both files untouched.
    FileOpResult r = renameTrackFile(a, QStringLiteral("b.log"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(readAll(a), QByteArray("alpha"));
    EXPECT_EQ(readAll(b), QByteArray("beta"));

    // A folder separator or an empty name is refused.
    for (const char* bad : {"sub/c.log", "../c.log", "", "  ", ".", ".."}) {
        r = renameTrackFile(a, QString::fromLatin1(bad));
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_FALSE(r.error.isEmpty()) << bad;
    }
    EXPECT_TRUE(QFile::exists(a));

    // Success.
    r = renameTrackFile(a, QStringLiteral("c.log"));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("c.log"))), QByteArray("alpha"));

    // The file is gone.
    r = renameTrackFile(a, QStringLiteral("d.log"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("d.log"))));

    // No rights: a file of the kernel's that nobody may rename.
    r = renameTrackFile(QStringLiteral("/proc/version"), QStringLiteral("v.log"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_TRUE(QFile::exists(QStringLiteral("/proc/version")));

    // Same name: nothing to do.
    EXPECT_TRUE(renameTrackFile(b, QStringLiteral("b.log")).ok);
    EXPECT_EQ(readAll(b), QByteArray("beta"));
}

TEST(FileOps, DeleteRemovesOnlyAFileOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.log"));
    touch(a);
    FileOpResult r = deleteTrackFile(a);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_FALSE(QFile::exists(a));
    r = deleteTrackFile(a);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_FALSE(deleteTrackFile(QString()).ok);
    const QString sub = dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkdir(sub));
    EXPECT_FALSE(deleteTrackFile(sub).ok);
    EXPECT_TRUE(QFileInfo(sub).isDir());
    r = deleteTrackFile(QStringLiteral("/proc/version"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
}

TEST(FilePanel, PatternButtonsSaveAndLoad)
{
    QTemporaryDir home;
    SettingsFile settings(home.path());
    FileManagerState fm(settings.load().filePattern);

    FilePanelUpdate u = fm.patternButton(PatternButton::Nmea);
    EXPECT_EQ(u.fileTText, QStringLiteral("*.log;*.nma"));
    EXPECT_EQ(u.file1Pattern, QStringLiteral("*.log;*.nma*"));
    EXPECT_TRUE(u.focusEnde);
    // Replacing the name field's text by "2008".
    EXPECT_EQ(fm.nameFieldChanged(QStringLiteral("2008")).file1Pattern, QStringLiteral("2008*.log;2008*.nma"));

    // SAVE after TRACK stores File1's pattern, which the name field made "...*".
    u = fm.patternButton(PatternButton::Track);
    const QString file1Pattern = *fm.nameFieldChanged(*u.fileTText).file1Pattern;
    EXPECT_EQ(file1Pattern, QStringLiteral("*.trl;*.trk;*.plt;*.gpx*"));
    ASSERT_EQ(settings.saveFilePattern(file1Pattern), std::nullopt);
    fm.patternButton(PatternButton::All);
    // LOA restores it, also in a new start.
    FileManagerState restarted(settings.load().filePattern);
    EXPECT_EQ(restarted.filePattern(), QStringLiteral("*.trl;*.trk;*.plt;*.gpx*"));
    u = fm.loadPattern(settings.loadFilePattern());
    EXPECT_EQ(fm.filePattern(), QStringLiteral("*.trl;*.trk;*.plt;*.gpx*"));
    EXPECT_EQ(u.fileTText, QStringLiteral("*.trl;*.trk;*.plt;*.gpx*"));
}

TEST(FilePanel, RenameDeleteAndCancel)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("day1.log"));
    const QString b = dir.filePath(QStringLiteral("day2.log"));
    touch(a);
    touch(b);
    FileManagerState fm(QStringLiteral("*.log;*.nma"));

    EXPECT_TRUE(fm.menuOpened().closeAllFiles);
    EXPECT_EQ(fm.suppressLoad(), 1);
    FilePanelUpdate u = fm.beginRename(a);
    EXPECT_TRUE(fm.renamePending());
    EXPECT_EQ(fm.renameFolder(), programDirText(dir.path()));
    EXPECT_EQ(u.fileTText, QStringLiteral("day1.log"));
    EXPECT_EQ(u.patternButtonsVisible, false);
    EXPECT_EQ(u.loaVisible, false);
    EXPECT_EQ(u.downloadEnabled, false);
    EXPECT_TRUE(u.focusFileT);
    EXPECT_TRUE(u.cancelAction);
    EXPECT_EQ(u.renamePrompt, QStringLiteral("New name for day1.log: Enter renames, Esc cancels"));

    // Esc: back to normal, the file keeps its name; a second Esc does nothing.
    u = fm.cancelRename();
    EXPECT_FALSE(fm.renamePending());
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(u.renamePrompt, QString());
    EXPECT_EQ(u.fileTText, QString());
    EXPECT_EQ(u.file1Pattern, QStringLiteral("*.log;*.nma"));
    EXPECT_EQ(u.patternButtonsVisible, true);
    EXPECT_EQ(u.loaVisible, true);
    EXPECT_EQ(u.downloadEnabled, true);
    EXPECT_FALSE(fm.cancelRename().patternButtonsVisible.has_value());
    fm.beginRename(a);

    // Renaming onto the other file fails, keeps both, and the panel returns to normal.
    u = fm.commitRename(a, QStringLiteral("day2.log"));
    EXPECT_FALSE(fm.renamePending());
    ASSERT_TRUE(u.failure.has_value());
    EXPECT_TRUE(u.failure->text.contains(QStringLiteral("day2.log")));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_TRUE(u.refreshFile1);
    EXPECT_EQ(u.fileTText, QString());
    EXPECT_EQ(u.file1Pattern, QStringLiteral("*.log;*.nma"));
    EXPECT_EQ(u.patternButtonsVisible, true);
    EXPECT_EQ(u.downloadEnabled, true);

    fm.beginRename(a);
    u = fm.commitRename(a, QStringLiteral("day3.log"));
    EXPECT_FALSE(u.failure.has_value());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("day3.log"))));
    // Enter without a pending rename does nothing.
    u = fm.commitRename(b, QStringLiteral("x.log"));
    EXPECT_FALSE(u.refreshFile1);
    EXPECT_TRUE(QFile::exists(b));

    // Delete: at once, with a beep; a second delete reports the reason.
    u = fm.deleteFile(b);
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_TRUE(u.beep);
    EXPECT_EQ(u.fileTText, QString());
    EXPECT_TRUE(u.refreshFile1);
    EXPECT_TRUE(u.cancelAction);
    u = fm.deleteFile(b);
    EXPECT_FALSE(u.beep);
    ASSERT_TRUE(u.failure.has_value());
    EXPECT_TRUE(u.refreshFile1);

    EXPECT_TRUE(fm.cancelMenu().cancelAction);
    // Nothing clicked yet: the menu's rename has nothing to act on.
    EXPECT_FALSE(FileManagerState().beginRename(QString()).fileTText.has_value());
}

TEST(FilePanel, LeavingDownloadModeRestoresThePanel)
{
    FileManagerState fm(QStringLiteral("*.trl;*.trk"));
    const FilePanelUpdate u = fm.leaveDownloadMode();
    EXPECT_TRUE(u.leaveGarminPort);
    EXPECT_EQ(u.file1Pattern, QStringLiteral("*.trl;*.trk"));
    EXPECT_EQ(u.fileTText, QStringLiteral("*.trl;*.trk"));
    EXPECT_EQ(u.patternButtonsVisible, true);
    EXPECT_EQ(u.loaEnabled, true);
    EXPECT_EQ(u.downloadEnabled, true);
    EXPECT_TRUE(u.closeAllFiles);
    EXPECT_TRUE(u.refillPortList);
    EXPECT_EQ(u.loaToolTip, QStringLiteral("Load Fileselection"));
    EXPECT_EQ(u.file1ToolTip, QStringLiteral("Start - Rename/Delete"));
}

} // namespace
