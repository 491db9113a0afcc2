// The file panel on the real window: pattern buttons, the name field, the
// stored selection, and rename/delete through the file menu.
#include "sim/replay/channels/output_port.h"
#include "sim/replay/channels/port_list.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace zelvan;

namespace {

struct Panel {
    QTemporaryDir home;
    QString tracks;
    std::unique_ptr<SimWindow> w;
    zvtest::ScriptedDialogs dialogs;

    explicit Panel(const QStringList& files, bool printerOutput = false)
    {
        QDir(home.path()).mkdir(QStringLiteral("Tracks"));
        tracks = home.filePath(QStringLiteral("Tracks"));
        for (const QString& f : files) {
            QFile file(QDir(tracks).filePath(f));
            file.open(QIODevice::WriteOnly);
            file.write("$GPRMC,120000,A,4807.038,N,01131.000,E,0,0,250626,,*00\r\n");
        }
        // Replays go into a file through the first printer entry, so no serial
        // device of the machine is needed (or held by a parallel test).
        if (printerOutput) {
            QFile ini(QDir(home.path()).filePath(QStringLiteral("Zelvan.ini")));
            ini.open(QIODevice::WriteOnly);
            ini.write("[Port]\r\nCOM= 20\r\n[Devices]\r\nLPT1=" + QDir(home.path()).filePath(QStringLiteral("lpt1")).toUtf8() + "\r\n");
            ini.close();
            QFile device(QDir(home.path()).filePath(QStringLiteral("lpt1")));
            device.open(QIODevice::WriteOnly);
        }
        w = std::make_unique<SimWindow>(home.path());
        w->setDialogs(&dialogs);
    }
    QListWidget* file1() const { return w->findChild<QListWidget*>(QStringLiteral("File1")); }
    QLineEdit* fileT() const { return w->findChild<QLineEdit*>(QStringLiteral("FileT")); }
    QPushButton* button(const char* name) const { return w->findChild<QPushButton*>(QString::fromLatin1(name)); }
    QStringList listed() const
    {
        QStringList out;
        for (int i = 0; i < file1()->count(); ++i)
            out << file1()->item(i)->text();
        return out;
    }
    // Opens the file menu on an entry and picks one of its actions.
    void menu(const QString& entry, const char* action)
    {
        const auto items = file1()->findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << entry.toStdString();
        Q_EMIT file1()->customContextMenuRequested(file1()->visualItemRect(items.first()).center());
        auto* m = w->findChild<QMenu*>(QStringLiteral("MFile"));
        ASSERT_TRUE(m->isVisible());
        m->hide();
        w->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    }
};

} // namespace

TEST(FilePanel, PatternButtonsAndNameFieldNarrowTheList)
{
    Panel p({"day1.log", "day2.log", "2008a.nma", "2008b.log", "x.trk", "y.PLT", "z.KML", "w.gpx", "notes.txt"});
    // Start-up: the default stored pattern, case ignored.
    EXPECT_EQ(p.listed(), (QStringList{"2008a.nma", "2008b.log", "day1.log", "day2.log", "x.trk", "y.PLT"}));
    const std::tuple<const char*, const char*, QStringList> buttons[] = {
        {"NMEA", "*.log;*.nma", {"2008a.nma", "2008b.log", "day1.log", "day2.log"}},
        {"TRACK", "*.trl;*.trk;*.plt;*.gpx", {"w.gpx", "x.trk", "y.PLT"}},
        {"ALL", "*.log;*.nma;*.trl;*.trk;*.plt;*.KML;*.gpx",
         {"2008a.nma", "2008b.log", "day1.log", "day2.log", "w.gpx", "x.trk", "y.PLT", "z.KML"}},
    };
    for (const auto& [name, text, files] : buttons) {
        p.button(name)->click();
        EXPECT_EQ(p.fileT()->text(), QString::fromLatin1(text)) << name;
        EXPECT_EQ(p.listed(), files) << name;
    }
    p.button("NMEA")->click();
    p.fileT()->clear();
    QTest::keyClicks(p.fileT(), QStringLiteral("2008"));
    EXPECT_EQ(p.listed(), (QStringList{"2008a.nma", "2008b.log"}));
    p.fileT()->clear();
    QTest::keyClicks(p.fileT(), QStringLiteral("day1.log"));
    EXPECT_EQ(p.listed(), (QStringList{"day1.log"}));
    EXPECT_EQ(p.button("TRACK")->text(), QStringLiteral("TRK"));
    EXPECT_EQ(p.button("LOA")->text(), QStringLiteral("LOAD"));
    EXPECT_TRUE(p.dialogs.shown.isEmpty());
}

TEST(FilePanel, DeleteFromTheMenuRemovesTheFileWithoutStartingAReplay)
{
    Panel p({"a.log", "b.log"});
    p.fileT()->setText(QStringLiteral("a"));
    p.menu(QStringLiteral("a.log"), "MDel");
    EXPECT_FALSE(QFile::exists(QDir(p.tracks).filePath(QStringLiteral("a.log"))));
    EXPECT_EQ(p.listed(), QStringList{"b.log"});
    EXPECT_TRUE(p.fileT()->text().isEmpty());
    EXPECT_EQ(p.dialogs.beeps, 1);
    EXPECT_FALSE(p.w->replayState().replayActive);
    EXPECT_FALSE(p.w->loader().isLoading());
    EXPECT_TRUE(p.dialogs.shown.isEmpty());
}

TEST(FilePanel, RenameThroughTheMenuAndTheNameField)
{
    Panel p({"a.log", "b.log"});
    p.w->show();
    auto* prompt = p.w->findChild<QLabel*>(QStringLiteral("RenameL"));
    // The rename says what it waits for, and Esc leaves it with the file untouched.
    p.menu(QStringLiteral("a.log"), "MRen");
    ASSERT_TRUE(prompt->isVisible());
    EXPECT_EQ(prompt->text(), QStringLiteral("New name for a.log: Enter renames, Esc cancels"));
    EXPECT_EQ(p.fileT()->selectedText(), QStringLiteral("a"));
    QTest::keyClick(p.fileT(), Qt::Key_Escape);
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_TRUE(p.fileT()->text().isEmpty());
    EXPECT_FALSE(p.button("LOA")->isHidden());
    EXPECT_EQ(p.listed(), (QStringList{"a.log", "b.log"}));

    p.menu(QStringLiteral("a.log"), "MRen");
    EXPECT_EQ(p.fileT()->text(), QStringLiteral("a.log"));
    for (const char* hidden : {"NMEA", "TRACK", "ALL", "LOA", "SAVE"})
        EXPECT_TRUE(p.button(hidden)->isHidden()) << hidden;
    // While the rename is pending a click in the list loads nothing.
    p.file1()->setCurrentRow(0);
    p.w->loader().loadSelectedFile();
    EXPECT_FALSE(p.w->loader().isLoading());
    EXPECT_FALSE(p.w->replayState().replayActive);

    p.fileT()->setText(QStringLiteral("c.log"));
    QTest::keyClick(p.fileT(), Qt::Key_Return);
    EXPECT_TRUE(QFile::exists(QDir(p.tracks).filePath(QStringLiteral("c.log"))));
    EXPECT_FALSE(QFile::exists(QDir(p.tracks).filePath(QStringLiteral("a.log"))));
    EXPECT_EQ(p.listed(), (QStringList{"b.log", "c.log"}));
    EXPECT_TRUE(p.fileT()->text().isEmpty());
    for (const char* shown : {"NMEA", "TRACK", "ALL", "LOA", "SAVE"})
        EXPECT_FALSE(p.button(shown)->isHidden()) << shown;
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_TRUE(p.dialogs.shown.isEmpty());
}

// A new user finds the start: the empty output list says how, and ">"
// starts the chosen file, or the first when none is chosen.
TEST(FilePanel, StartButtonStartsTheChosenOrTheFirstFile)
{
    Panel p({"a.log", "b.log"}, true);
    p.w->show();
    auto* hint = p.w->findChild<QLabel*>(QStringLiteral("List1Hint"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hint->isVisible(); }));
    EXPECT_EQ(hint->text(), QStringLiteral("Click a file to replay it, or > to start the first one"));
    p.file1()->setCurrentItem(nullptr);
    p.button("Skip1")->click();
    ASSERT_TRUE(p.w->replayState().replayActive);
    EXPECT_TRUE(p.w->replayState().trackPath.endsWith(QStringLiteral("/a.log")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hint->isVisible(); }));
    p.w->loader().stopReplay(StopByUser);
    EXPECT_TRUE(QTest::qWaitFor([&] { return hint->isVisible(); }));

    p.file1()->setCurrentRow(1);
    p.button("Skip1")->click();
    ASSERT_TRUE(p.w->replayState().replayActive);
    EXPECT_TRUE(p.w->replayState().trackPath.endsWith(QStringLiteral("/b.log")));
    p.w->loader().stopReplay(StopByUser);
    EXPECT_TRUE(p.dialogs.shown.isEmpty()) << p.dialogs.shown.value(0).text.toStdString();
}

TEST(FilePanel, FailedRenameAndDeleteShowTheReasonAndKeepTheList)
{
    Panel p({"a.log", "b.log"});
    // Onto an existing name: refused, both files kept.
    p.menu(QStringLiteral("a.log"), "MRen");
    p.fileT()->setText(QStringLiteral("b.log"));
    QTest::keyClick(p.fileT(), Qt::Key_Return);
    ASSERT_EQ(p.dialogs.shown.size(), 1);
    EXPECT_EQ(p.dialogs.shown.last().icon, zv::Dialogs::Icon::Warning);
    EXPECT_TRUE(p.dialogs.shown.last().text.contains(QStringLiteral("b.log")));
    EXPECT_EQ(p.listed(), (QStringList{"a.log", "b.log"}));
    EXPECT_FALSE(p.button("LOA")->isHidden());

    // A file that vanished before the delete.
    const auto item = p.file1()->findItems(QStringLiteral("a.log"), Qt::MatchExactly);
    ASSERT_EQ(item.size(), 1);
    ASSERT_TRUE(QFile::remove(QDir(p.tracks).filePath(QStringLiteral("a.log"))));
    p.menu(QStringLiteral("a.log"), "MDel");
    ASSERT_EQ(p.dialogs.shown.size(), 2);
    EXPECT_TRUE(p.dialogs.shown.last().text.contains(QStringLiteral("a.log")));
    EXPECT_EQ(p.listed(), QStringList{"b.log"});
}

// Names from old disks and archives that are not UTF-8 are the user's files
// like any other: listed, replayed, renamed and deleted.
TEST(FilePanel, NamesThatAreNotUtf8AreListedReplayedRenamedAndDeleted)
{
    Panel p({"a.log"}, true);
    const QByteArray folder = QFile::encodeName(p.tracks) + '/';
    auto exists = [&](const QByteArray& name) { return ::access((folder + name).constData(), F_OK) == 0; };
    // What a failure leaves behind, which the temporary folder cannot see to remove.
    const std::unique_ptr<const QByteArray, void (*)(const QByteArray*)> cleanUp(&folder, [](const QByteArray* f) {
        for (const char* name : {"bad\xffname.log", "\xe9t\xe9.log"})
            ::unlink((*f + name).constData());
    });
    for (const QByteArray& name : {QByteArray("bad\xffname.log"), QByteArray("\xe9t\xe9.log")}) {
        const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray line = "$GPRMC,120000,A,4807.038,N,01131.000,E,0,0,250626,,*00\r\n";
        ASSERT_EQ(::write(fd, line.constData(), size_t(line.size())), line.size());
        ::close(fd);
    }
    p.button("NMEA")->click();
    const QStringList listed = p.listed();
    ASSERT_EQ(listed.size(), 3) << listed.join(QLatin1Char('|')).toStdString();
    QString bad, accented;
    for (const QString& name : listed) {
        if (name.startsWith(QStringLiteral("bad")))
            bad = name;
        else if (name != QStringLiteral("a.log"))
            accented = name;
    }
    ASSERT_FALSE(bad.isEmpty());
    ASSERT_FALSE(accented.isEmpty());

    p.file1()->setCurrentItem(p.file1()->findItems(bad, Qt::MatchExactly).value(0));
    p.w->loader().loadSelectedFile();
    EXPECT_TRUE(p.w->replayState().replayActive);
    EXPECT_EQ(p.w->replayState().fileKind, FileKindNmeaLog);
    p.w->loader().stopReplay(StopByUser);
    EXPECT_TRUE(p.dialogs.shown.isEmpty()) << p.dialogs.shown.value(0).text.toStdString();

    p.menu(bad, "MRen");
    p.fileT()->setText(QStringLiteral("good.log"));
    QTest::keyClick(p.fileT(), Qt::Key_Return);
    EXPECT_TRUE(exists("good.log"));
    EXPECT_FALSE(exists("bad\xffname.log"));
    p.menu(accented, "MDel");
    EXPECT_FALSE(exists("\xe9t\xe9.log"));
    EXPECT_EQ(p.listed(), (QStringList{"a.log", "good.log"}));
    EXPECT_TRUE(p.dialogs.shown.isEmpty()) << p.dialogs.shown.value(0).text.toStdString();
}

TEST(FilePanel, SavedSelectionComesBackThroughLoad)
{
    Panel p({"a.log", "x.trk"});
    p.button("TRACK")->click();
    p.button("SAVE")->click();
    p.button("NMEA")->click();
    EXPECT_EQ(p.listed(), QStringList{"a.log"});
    p.button("LOA")->click();
    EXPECT_EQ(p.fileT()->text(), QStringLiteral("*.trl;*.trk;*.plt;*.gpx*"));
    EXPECT_EQ(p.listed(), QStringList{"x.trk"});
    QFile ini(QDir(p.home.path()).filePath(QStringLiteral("Zelvan.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), QByteArray("[Files]\r\nNames=*.trl;*.trk;*.plt;*.gpx*\r\n"));
}

// Download mode borrows FileT, LOA and the pattern buttons: while it lasts
// LOA and Enter belong to the download (an empty name only beeps, the stored
// selection is not loaded), and leaving gives the panel and PortC back.
TEST(FilePanel, DownloadModeBorrowsThePanelAndGivesItBack)
{
    Panel p({"day1.log", "x.trk", "w.gpx"});
    auto* portC = p.w->findChild<QComboBox*>(QStringLiteral("PortC"));
    p.button("TRACK")->click();
    const int fullList = portC->count();
    const int outIndex = p.w->outputPort().outPortIndex();

    p.dialogs.queueAnswer(zv::Dialogs::Answer::Yes);
    p.w->findChild<QPushButton*>(QStringLiteral("DownloadC"))->click();
    ASSERT_TRUE(p.w->downloadMode());
    for (const char* name : {"NMEA", "TRACK", "ALL", "SAVE"})
        EXPECT_TRUE(p.button(name)->isHidden()) << name;
    EXPECT_FALSE(p.button("LOA")->isHidden());
    EXPECT_EQ(portC->count(), kDownloadModeEntries);
    EXPECT_EQ(portC->palette().color(QPalette::Base), qColor(downloadPortListColour()));

    EXPECT_TRUE(p.fileT()->text().isEmpty());
    p.button("LOA")->click();
    QTest::keyClick(p.fileT(), Qt::Key_Return);
    EXPECT_EQ(p.dialogs.beeps, 2);
    EXPECT_TRUE(p.fileT()->text().isEmpty());
    EXPECT_TRUE(p.w->downloadMode());

    p.w->leaveDownloadMode();
    EXPECT_FALSE(p.w->downloadMode());
    for (const char* name : {"NMEA", "TRACK", "ALL", "SAVE", "LOA"})
        EXPECT_FALSE(p.button(name)->isHidden()) << name;
    EXPECT_EQ(p.button("LOA")->toolTip(), QStringLiteral("Load Fileselection"));
    EXPECT_EQ(p.fileT()->text(), QString::fromLatin1(kTrackPattern));
    EXPECT_EQ(p.listed(), (QStringList{"w.gpx", "x.trk"}));
    EXPECT_EQ(portC->count(), fullList);
    EXPECT_EQ(portC->currentIndex(), outIndex);
    EXPECT_EQ(portC->palette().color(QPalette::Base), qColor(portListColour()));
}
