// Start-up and ENDE on the real window: every stored setting changed through
// its control survives an exit and a new start, and the file's lines are
// exactly the ones the exit writes.
#include "sim/replay/channels/output_port.h"
#include "sim/window/sim_window.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QAbstractSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvan;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Manual mode's real spinners (scroll bars), found by name in the manual group.
QAbstractSlider* manualSpinner(SimWindow& w, Spinner s)
{
    return w.manualGroup()->findChild<QAbstractSlider*>(spinnerObjectName(s));
}

QLabel* label(SimWindow& w, const char* name)
{
    return w.findChild<QLabel*>(QString::fromLatin1(name));
}

} // namespace

TEST(SettingsRoundTrip, FreshHomeWritesTheDefaultsInExitOrder)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Tracks")));
    {
        SimWindow w(home.path());
        EXPECT_EQ(QDir(w.trackFolder()), QDir(home.filePath(QStringLiteral("Tracks"))));
        EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("PortC"))->currentIndex(), 0);
        EXPECT_EQ(label(w, "TZL")->text(), QStringLiteral("+1"));
        EXPECT_EQ(label(w, "Label7")->property("backColour").toUInt(), 0x8000u);
        EXPECT_EQ(label(w, "Label2")->property("backColour").toUInt(), 0xFF00u);
        w.findChild<QPushButton*>(QStringLiteral("ENDE"))->click();
    }
    const QByteArray expected = "[Port]\r\nCOM= 0\r\n[GPS-Port]\r\nCOM= 1\r\n[TimeZone]\r\nCET= 0\r\nDiff= 1\r\n"
                                "[Units]\r\nkmh= 1\r\n[Files]\r\nPath="
        + QDir::toNativeSeparators(home.filePath(QStringLiteral("Tracks"))).toUtf8()
        + "\r\n[Manu]\r\nAuto= 2\r\nAlt= 550\r\nSpeed= 50\r\nPosN0= 48\r\nPosE0= 11\r\nPosN1= 5\r\nPosE1= 38\r\n"
          "PosN2= 44\r\nPosE2= 11\r\nPosN3= 7\r\nPosE3= 7\r\n";
    EXPECT_EQ(readAll(home.filePath(QStringLiteral("Zelvan.ini"))), expected);
}

TEST(SettingsRoundTrip, EverySettingChangedThroughItsControlIsRestored)
{
    QTemporaryDir home;
    QDir dir(home.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Tracks/Logs")));
    const QString ini = dir.filePath(QStringLiteral("Zelvan.ini"));
    // Sections of other parts of the program and a hand-written comment.
    writeAll(ini, "; hand-written\r\n[Devices]\r\nCOM7=/dev/null\r\n\r\n[TCP]\r\nPort=4711\r\n\r\n"
                  "[GPS-Port]\r\nCOM= 4\r\n");
    const SimWindow::SpinnerValues manual{5, 1200, 80, 50, 6, 7, 8, -9, 10, 11, 2};
    const QString logs = dir.filePath(QStringLiteral("Tracks/Logs"));
    {
        SimWindow w(home.path());
        zvtest::ScriptedDialogs dialogs;
        w.setDialogs(&dialogs);
        w.findChild<QComboBox*>(QStringLiteral("PortC"))->setCurrentIndex(3);
        QTest::mouseClick(label(w, "Label7"), Qt::LeftButton);
        w.findChild<QSpinBox*>(QStringLiteral("TZdiff"))->setValue(-5);
        QTest::mouseClick(label(w, "Label3"), Qt::LeftButton);
        // Into Tracks/Logs through the folder list.
        w.findChild<QPushButton*>(QStringLiteral("DirSel"))->click();
        auto* dir1 = w.findChild<QListWidget*>(QStringLiteral("Dir1"));
        const auto items = dir1->findItems(QStringLiteral("Logs"), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        dir1->setCurrentItem(items.first());
        QTest::keyClick(dir1, Qt::Key_Return);
        ASSERT_EQ(QDir(w.trackFolder()), QDir(logs));
        w.findChild<QPushButton*>(QStringLiteral("TRACK"))->click();
        w.findChild<QPushButton*>(QStringLiteral("SAVE"))->click();
        for (size_t i = 0; i < manual.size(); ++i)
            manualSpinner(w, kSpinnerStartupOrder[i])->setValue(manual[i]);
        w.findChild<QPushButton*>(QStringLiteral("ENDE"))->click();
        EXPECT_TRUE(dialogs.shown.isEmpty());
        EXPECT_FALSE(w.isVisible());
    }
    const QByteArray expected = "; hand-written\r\n[Devices]\r\nCOM7=/dev/null\r\n\r\n[TCP]\r\nPort=4711\r\n\r\n"
                                "[GPS-Port]\r\nCOM= 4\r\n"
                                "[Files]\r\nNames=*.trl;*.trk;*.plt;*.gpx*\r\nPath="
        + QDir::toNativeSeparators(logs).toUtf8()
        + "\r\n[Port]\r\nCOM= 3\r\n[TimeZone]\r\nCET= 1\r\nDiff=-5\r\n[Units]\r\nkmh= 0\r\n"
          "[Manu]\r\nAuto= 5\r\nAlt= 1200\r\nSpeed= 80\r\nPosN0= 50\r\nPosE0=-9\r\nPosN1= 6\r\nPosE1= 10\r\n"
          "PosN2= 7\r\nPosE2= 11\r\nPosN3= 8\r\nPosE3= 2\r\n";
    EXPECT_EQ(readAll(ini), expected);

    SimWindow w(home.path());
    EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("PortC"))->currentIndex(), 3);
    EXPECT_EQ(w.outputPort().outPortIndex(), 3);
    EXPECT_EQ(w.currentSettings().garminPortIndex, 4);
    EXPECT_TRUE(w.replayState().showLocal);
    EXPECT_EQ(label(w, "Label7")->property("backColour").toUInt(), 0xFF00u);
    EXPECT_EQ(label(w, "Label2")->property("backColour").toUInt(), 0x8000u);
    EXPECT_EQ(w.findChild<QSpinBox*>(QStringLiteral("TZdiff"))->value(), -5);
    EXPECT_EQ(label(w, "TZL")->text(), QStringLiteral("-5"));
    EXPECT_FALSE(w.replayState().metricUnits);
    EXPECT_EQ(label(w, "Label3")->text(), QStringLiteral("MPH"));
    EXPECT_EQ(label(w, "Label6")->text(), QStringLiteral("mi ->"));
    EXPECT_EQ(QDir(w.trackFolder()), QDir(logs));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("DirSel"))->toolTip(),
              QStringLiteral("Data-Path (") + QDir::toNativeSeparators(logs) + QStringLiteral(")"));
    EXPECT_EQ(w.manualSpinnerValues(), manual);
    for (size_t i = 0; i < manual.size(); ++i)
        EXPECT_EQ(manualSpinner(w, kSpinnerStartupOrder[i])->value(), manual[i]);
    // The pattern comes back through LOA, not at start-up.
    w.findChild<QPushButton*>(QStringLiteral("LOA"))->click();
    EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("FileT"))->text(), QStringLiteral("*.trl;*.trk;*.plt;*.gpx*"));
    // A second exit without changes writes the same bytes.
    w.findChild<QPushButton*>(QStringLiteral("ENDE"))->click();
    EXPECT_EQ(readAll(ini), expected);
}

TEST(SettingsRoundTrip, ExitThatCannotWriteWarnsAndLeavesTheOldFile)
{
    QTemporaryDir home;
    const QString ini = QDir(home.path()).filePath(QStringLiteral("Zelvan.ini"));
    writeAll(ini, "[TimeZone]\r\nDiff= 3\r\n");
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    EXPECT_EQ(w.findChild<QSpinBox*>(QStringLiteral("TZdiff"))->value(), 3);
    w.findChild<QSpinBox*>(QStringLiteral("TZdiff"))->setValue(7);
    // A folder cannot be replaced by the new file.
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Zelvan.ini")));
    w.findChild<QPushButton*>(QStringLiteral("ENDE"))->click();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().icon, zv::Dialogs::Icon::Warning);
    EXPECT_TRUE(dialogs.shown.first().text.contains(QStringLiteral("Zelvan.ini")));
    EXPECT_TRUE(QFileInfo(ini).isDir());
}

TEST(SettingsRoundTrip, ExitOnAFullDiskWarnsAndLeavesTheOldFileWhole)
{
    QTemporaryDir home;
    const QString ini = QDir(home.path()).filePath(QStringLiteral("Zelvan.ini"));
    const QByteArray old = "; kept as it is\r\n[TimeZone]\r\nDiff= 3\r\n[TCP]\r\nPort= 4000\r\n";
    writeAll(ini, old);
    SimWindow w(home.path());
    zvtest::ScriptedDialogs dialogs;
    w.setDialogs(&dialogs);
    w.findChild<QSpinBox*>(QStringLiteral("TZdiff"))->setValue(7);
    {
        zvtest::FileSizeLimit full(old.size()); // the longer new file does not fit
        ASSERT_TRUE(full.active());
        w.findChild<QPushButton*>(QStringLiteral("ENDE"))->click();
    }
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.first().icon, zv::Dialogs::Icon::Warning);
    EXPECT_TRUE(dialogs.shown.first().text.startsWith(QStringLiteral("The settings could not be saved to ")))
        << dialogs.shown.first().text.toStdString();
    EXPECT_TRUE(dialogs.shown.first().text.endsWith(QStringLiteral(":\nFile too large"))) << "the system's reason";
    EXPECT_EQ(readAll(ini), old);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{QStringLiteral("Zelvan.ini")});
}
