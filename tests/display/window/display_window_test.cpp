// The real window offscreen, driven by object names.
#include "display/decode/live_display.h"
#include "display/intake/intake.h"
#include "display/window/display_window.h"
#include "display/window/readout_pictures.h"
#include "support/raw_pty.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vur;

namespace {

void writeIni(const QString& home, const QByteArray& devices)
{
    QFile ini(QDir(home).filePath(QStringLiteral("Vur.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Devices]\r\n" + devices);
}

void clickLeft(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

} // namespace

TEST(DisplayWindowControls, AreNamedAndCaptionedAsTheUserKnowsThem)
{
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    for (const char* name : {"Uhr", "Datum", "SPEED", "TRT", "Höhe", "GPSL", "PortL"})
        EXPECT_NE(w.findChild<QLabel*>(QString::fromUtf8(name)), nullptr) << name;
    EXPECT_NE(w.findChild<CompassView*>(QStringLiteral("TRK")), nullptr);
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("GPSS"))->toolTip(), QStringLiteral("Satelliten-Status"));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("GPSok"))->toolTip(), QStringLiteral("Empfangs-Störung"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Höhe"))->toolTip(), QStringLiteral("Höhe über NN"));
    auto* c0 = w.findChild<QCheckBox*>(QStringLiteral("Check1(0)"));
    auto* c1 = w.findChild<QCheckBox*>(QStringLiteral("Check1(1)"));
    EXPECT_EQ(c0->text(), QStringLiteral("x >"));
    EXPECT_EQ(c0->toolTip(), QStringLiteral("NMEA-Log neu"));
    EXPECT_EQ(c1->text(), QStringLiteral("> >"));
    EXPECT_EQ(c1->toolTip(), QStringLiteral("NMEA-Log anhängen"));
    EXPECT_EQ(w.findChild<QCheckBox*>(QStringLiteral("ALL"))->toolTip(), QStringLiteral("Record all GPS-Data"));
    const struct { const char* name; const char* tip; bool checked; } types[] = {
        {"RMC", "Min.GPS-Data", true}, {"RMB", "Min.Navigation-Information", false}, {"GGA", "GPS-Fix-Data", true},
        {"GSA", "Satellites active", false}, {"GSV", "Satellites view", false}, {"VTG", "Track+Speed", false}};
    for (const auto& t : types) {
        auto* box = w.findChild<QCheckBox*>(QString::fromLatin1(t.name));
        ASSERT_NE(box, nullptr) << t.name;
        EXPECT_EQ(box->toolTip(), QString::fromLatin1(t.tip));
        EXPECT_EQ(box->isChecked(), t.checked) << t.name;
        EXPECT_FALSE(box->isEnabled()) << t.name;
    }
    EXPECT_EQ(w.windowTitle(), QStringLiteral("  Navigation - Display   V" ZV_TEST_VERSION));
    auto* portS = w.findChild<QScrollBar*>(QStringLiteral("PortS"));
    EXPECT_EQ(portS->value(), 8);
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("PortL"))->text(), QStringLiteral("COM1"));
}

TEST(DisplayWindowControls, AllGreysTheTypesAndPressingATypeRestoresTheDefaults)
{
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    w.intake()->feed("$GPVTG,1*00\r\n$GPGSV,1,1,0*00\r\n");
    auto* all = w.findChild<QCheckBox*>(QStringLiteral("ALL"));
    auto* vtg = w.findChild<QCheckBox*>(QStringLiteral("VTG"));
    auto* rmc = w.findChild<QCheckBox*>(QStringLiteral("RMC"));
    ASSERT_TRUE(vtg->isEnabled());
    clickLeft(all);
    EXPECT_EQ(vtg->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(rmc->checkState(), Qt::PartiallyChecked);
    clickLeft(vtg);
    EXPECT_EQ(all->checkState(), Qt::Unchecked);
    EXPECT_EQ(rmc->checkState(), Qt::Checked);
    EXPECT_EQ(vtg->checkState(), Qt::Checked); // defaults restored, then the pressed box toggled
    EXPECT_EQ(w.findChild<QCheckBox*>(QStringLiteral("GSV"))->checkState(), Qt::Unchecked);
}

TEST(DisplayWindowControls, EscapeEndsTheProgram)
{
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(w.findChild<QCheckBox*>(QStringLiteral("ALL")), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

TEST(DisplayWindowPort, FailureShowsNameAndReasonAndAnotherPortCanBeChosen)
{
    QTemporaryDir home;
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    writeIni(home.path(), "COM1=/nonexistent/vur-port\r\nCOM3=/nonexistent/other\r\nCOM4=" + QByteArray(name) + "\r\n");
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    auto* gpsl = w.findChild<QLabel*>(QStringLiteral("GPSL"));
    EXPECT_TRUE(gpsl->text().startsWith(QStringLiteral("COM1: "))) << gpsl->text().toStdString();
    EXPECT_GT(gpsl->text().size(), 6);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    auto* portS = w.findChild<QScrollBar*>(QStringLiteral("PortS"));
    portS->setValue(6);
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("PortL"))->text(), QStringLiteral("COM3"));
    EXPECT_TRUE(gpsl->text().startsWith(QStringLiteral("COM3: ")));
    EXPECT_EQ(w.intake()->portNumber(), 3);
    // A port that opens takes the failure of the one before off the line.
    portS->setValue(5);
    ASSERT_TRUE(w.intake()->comm1()->isOpen());
    EXPECT_EQ(gpsl->text(), QString());
    ::close(slave);
    ::close(master);
}

TEST(DisplayWindowLog, FileThatCannotBeCreatedIsReportedAndTheBoxUnchecked)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Vur.log"))); // a folder in its way
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    auto* box = w.findChild<QCheckBox*>(QStringLiteral("Check1(0)"));
    clickLeft(box);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(w.intake()->logMode(), 0);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("Vur.log")));
    EXPECT_TRUE(w.findChild<QLabel*>(QStringLiteral("GPSL"))->text().contains(QStringLiteral("Vur.log")));
}

TEST(DisplayWindowPort, ReadsAReceiverOnARealPseudoTerminal)
{
    int master = -1, slave = -1;
    QByteArray name;
    ASSERT_TRUE(zvtest::openRawPty(&master, &slave, &name));
    QTemporaryDir home;
    writeIni(home.path(), "COM1=" + name + "\r\n");
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    ::close(slave); // the window holds its own descriptor
    ASSERT_TRUE(w.intake()->comm1()->isOpen()) << w.intake()->comm1()->errorString().toStdString();
    const QByteArray data =
        "$GPGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
        "$GPGSV,1,1,08,05,1,1,40,02,1,1,20,,,,,,,,*00\r\n"
        "$GPGSA,A,3,05,02,,,,,,,,,,,2,1,1*00\r\n"
        "$GPRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*6A\r\n";
    ASSERT_EQ(::write(master, data.constData(), data.size()), data.size());
    auto* speed = w.findChild<QLabel*>(QStringLiteral("SPEED"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return speed->text() == QStringLiteral("19"); }, 5000));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Uhr"))->text(), QStringLiteral("12:30"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Datum"))->text(), QStringLiteral("SO 06.12.2026"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("TRT"))->text(), QStringLiteral(" 84 °"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Höhe"))->text(), QStringLiteral("545"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("GPSL"))->text(), QStringLiteral("GPS ok   3D-NAV   8/8 Sat"));
    EXPECT_TRUE(w.findChild<QWidget*>(QStringLiteral("GPSok"))->isHidden());
    EXPECT_EQ(w.findChild<SatelliteBars*>(QStringLiteral("GPSS"))->columnCount(), 12);
    EXPECT_TRUE(w.findChild<CompassView*>(QStringLiteral("TRK"))->hasNeedle());
    ::close(master);
}

TEST(DisplayWindowLog, EverySentenceModeLogsARealLogFromAPseudoTerminalExactly)
{
    QFile source(QStringLiteral(ZV_TEST_DATA_DIR "/vur/gpsd_garmin-geko201.log"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray raw = source.readAll();
    QByteArray expected;
    int sentences = 0;
    for (const QByteArray& line : raw.split('\n')) {
        if (line.startsWith('$')) {
            expected += line + "\r\n";
            ++sentences;
        }
    }
    int master = -1, slave = -1;
    QByteArray name;
    ASSERT_TRUE(zvtest::openRawPty(&master, &slave, &name));
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    QTemporaryDir home;
    writeIni(home.path(), "COM1=" + name + "\r\n");
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    ::close(slave);
    ASSERT_TRUE(w.intake()->comm1()->isOpen());
    clickLeft(w.findChild<QCheckBox*>(QStringLiteral("Check1(0)")));
    clickLeft(w.findChild<QCheckBox*>(QStringLiteral("ALL")));
    for (qsizetype pos = 0; pos < raw.size();) {
        const ssize_t n = ::write(master, raw.constData() + pos, std::min<qsizetype>(512, raw.size() - pos));
        if (n > 0)
            pos += n;
        QTest::qWait(5);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.intake()->dispatchedCount() >= sentences; }, 10000));
    ::close(master);
    QFile log(w.intake()->logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), expected);
}

TEST(DisplayWindowPort, LostDeviceIsReportedOnceAndThePortClosed)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    QTemporaryDir home;
    writeIni(home.path(), "COM1=" + QByteArray(name) + "\r\n");
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow w(home.path(), &dialogs);
    ::close(slave);
    ASSERT_TRUE(w.intake()->comm1()->isOpen());
    QSignalSpy reports(w.intake(), &Intake::failureReported);
    QSignalSpy errors(w.intake()->comm1(), &QSerialPort::errorOccurred);
    ::close(master); // the other end goes away
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.intake()->comm1()->isOpen(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_LT(errors.size(), 5); // no storm of read errors
    EXPECT_TRUE(w.findChild<QLabel*>(QStringLiteral("GPSL"))->text().startsWith(QStringLiteral("COM1: ")));
}
