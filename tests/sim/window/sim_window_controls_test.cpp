#include "sim/window/sim_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QListWidget>

TEST(SimWindow, HasEveryReplayControlByName)
{
    QTemporaryDir home;
    zelvan::SimWindow w(home.path());
    const char* names[] = {"List1", "Gauge1", "Gauge2", "RunA", "Pause", "Lop", "Last", "AutoSkip", "AutoReset",
                           "Equ", "Manu", "MinC", "Skip1", "Skip2", "Back", "RESTART", "StopA", "DIA", "File1",
                           "Dir1", "Drive1", "DirSel", "PortC", "FileL", "PauseL", "LoopL", "AutoL", "SpeedL",
                           "MaxL", "DistL", "TripL", "TTL", "NNL", "NNminL", "NNmaxL", "WtL", "Datum", "Zeit",
                           "Command1", "RMCRMB", "ENDE", "DownloadC", "MiniA", "Timer1", "Timer2"};
    for (const char* n : names)
        EXPECT_NE(w.findChild<QObject*>(QString::fromLatin1(n)), nullptr) << n;
    const char* captions[] = {"RMC", "GGA", "VTG", "RMB", "GSA", "GSV", "OTH"};
    for (int i = 0; i < 7; ++i) {
        auto* box = w.findChild<QCheckBox*>(QStringLiteral("Data(%1)").arg(i));
        ASSERT_NE(box, nullptr) << i;
        EXPECT_EQ(box->text(), QString::fromLatin1(captions[i]));
    }
    const char* paces[] = {"x 8", "x 4", "x 2", "cont", "1 s", "2 s", "4 s", "8 s"};
    for (int i = 0; i < 8; ++i) {
        auto* b = w.findChild<QRadioButton*>(QStringLiteral("Abstand(%1)").arg(i));
        ASSERT_NE(b, nullptr) << i;
        EXPECT_EQ(b->text(), QString::fromLatin1(paces[i]));
    }
    EXPECT_TRUE(w.findChild<QRadioButton*>(QStringLiteral("Abstand(4)"))->isChecked());
    EXPECT_EQ(w.findChild<QTimer*>(QStringLiteral("Timer1"))->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(w.findChild<QTimer*>(QStringLiteral("Timer2"))->interval(), 400);
    // Idle: nothing to navigate, Start on Skip1.
    EXPECT_FALSE(w.findChild<QWidget*>(QStringLiteral("Skip2"))->isEnabled());
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("Skip1"))->toolTip(), QStringLiteral("Start"));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("List1"))->toolTip(), QStringLiteral("NMEA-out"));
}

TEST(SimWindow, SentenceChoiceButtons)
{
    QTemporaryDir home;
    zelvan::SimWindow w(home.path());
    auto box = [&](int i) { return w.findChild<QCheckBox*>(QStringLiteral("Data(%1)").arg(i)); };
    w.findChild<QPushButton*>(QStringLiteral("RMCRMB"))->click();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(box(i)->isChecked(), i < 2) << i;
    w.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(box(i)->isChecked()) << i;
}

TEST(SimWindow, ListsTrackFilesOfItsFolder)
{
    QTemporaryDir home;
    QDir(home.path()).mkdir(QStringLiteral("Tracks"));
    for (const char* n : {"a.log", "b.NMA", "c.trk", "d.txt"}) {
        QFile f(QDir(home.path()).filePath(QStringLiteral("Tracks/") + QString::fromLatin1(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    zelvan::SimWindow w(home.path());
    auto* files = w.findChild<QListWidget*>(QStringLiteral("File1"));
    ASSERT_NE(files, nullptr);
    QStringList names;
    for (int i = 0; i < files->count(); ++i)
        names << files->item(i)->text();
    EXPECT_EQ(names, (QStringList{QStringLiteral("a.log"), QStringLiteral("b.NMA"), QStringLiteral("c.trk")}));
}
