// The Garmin download driven through the real window: the question, the
// download-mode layout, a transfer from a device emulator on a pty pair that
// Zelvan.ini's [Devices] maps to COM1, the timeout, and leaving the mode.
#include "sim/garmin/garmin_download.h"
#include "sim/replay/channels/port_list.h"
#include "sim/tracks/track_format.h"
#include "sim/tracks/track_record.h"
#include "sim/window/gauges.h"
#include "sim/window/sim_window.h"

#include "common/text_lines.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using zelvan::SimWindow;
using zv::Dialogs;

namespace {

const QString kE2eDir = QDir::cleanPath(QStringLiteral(ZV_TEST_DATA_DIR "/../e2e"));

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QStringList comboEntries(const QComboBox* c)
{
    QStringList entries;
    for (int i = 0; i < c->count(); ++i)
        entries << c->itemText(i);
    return entries;
}

// A window in a temporary home, with the file panel's name field and LOA
// (the window's own; stand-ins handed over the seam only to report their absence).
struct GarminWindow {
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    std::unique_ptr<SimWindow> window;
    QLineEdit* fileT = nullptr;
    QPushButton* loa = nullptr;
    QPushButton* nmea = nullptr;
    QProcess socat;
    QProcess emulator;

    QString tracks() const { return home.filePath("Tracks"); }
    QString hostEnd() const { return home.filePath("host"); }
    QString deviceEnd() const { return home.filePath("device"); }
    QString report() const { return home.filePath("report.json"); }
    QString expected() const { return home.filePath("expected.txt"); }

    GarminWindow()
    {
        QDir(home.path()).mkpath("Tracks");
        QFile ini(home.filePath("Zelvan.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(("[GPS-Port]\r\nCOM=0\r\n[Devices]\r\nCOM1=" + hostEnd() + "\r\nCOM16="
                       + home.filePath("no-such-device") + "\r\n")
                          .toLocal8Bit());
        ini.close();
        window = std::make_unique<SimWindow>(home.path());
        window->setDialogs(&dialogs);
        fileT = window->findChild<QLineEdit*>("FileT");
        loa = window->findChild<QPushButton*>("LOA");
        nmea = window->findChild<QPushButton*>("NMEA");
        if (!fileT) {
            ADD_FAILURE() << "the window has no file panel of its own";
            fileT = new QLineEdit(window.get());
            fileT->setObjectName("FileT");
            loa = new QPushButton("LOAD", window.get());
            loa->setObjectName("LOA");
            nmea = new QPushButton("NMEA", window.get());
            nmea->setObjectName("NMEA");
            window->setDownloadFilePanel(fileT, loa, {nmea});
        }
        window->show();
    }
    ~GarminWindow()
    {
        window.reset();
        for (QProcess* p : {&emulator, &socat})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished(3000);
            }
    }

    template <typename W>
    W* child(const char* name) const
    {
        return window->findChild<W*>(name);
    }
    QListWidget* list1() const { return child<QListWidget>("List1"); }
    QComboBox* portC() const { return child<QComboBox>("PortC"); }

    void enterDownloadMode()
    {
        dialogs.queueAnswer(Dialogs::Answer::Yes);
        QTest::mouseClick(child<QPushButton>("DownloadC"), Qt::LeftButton);
    }

    ::testing::AssertionResult startDevice(const QStringList& emulatorArgs)
    {
        const QString socatPath = QStandardPaths::findExecutable("socat");
        if (socatPath.isEmpty())
            return ::testing::AssertionFailure() << "socat is not installed";
        socat.start(socatPath, {"-d", "-d", "pty,raw,echo=0,link=" + hostEnd(), "pty,raw,echo=0,link=" + deviceEnd()});
        if (!QTest::qWaitFor([&] { return QFile::exists(hostEnd()) && QFile::exists(deviceEnd()); }, 5000))
            return ::testing::AssertionFailure() << "socat made no pty pair";
        emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emulator.start("/usr/bin/python3", QStringList{kE2eDir + "/garmin_emulator.py", "--port", deviceEnd(),
                                                       "--report", report(), "--expected", expected()}
                                               + emulatorArgs);
        if (!emulator.waitForStarted(5000))
            return ::testing::AssertionFailure() << "the emulator did not start";
        if (!QTest::qWaitFor([&] { return QFile::exists(expected()); }, 5000))
            return ::testing::AssertionFailure() << "the emulator wrote no expectations";
        return ::testing::AssertionSuccess();
    }

    // The download as a user starts it: the name typed into FileT, then Enter.
    void typeNameAndEnter(const QString& name)
    {
        fileT->setFocus();
        QTest::keyClicks(fileT, name);
        QTest::keyClick(fileT, Qt::Key_Return);
    }

    QJsonObject emulatorReport()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return emulator.state() == QProcess::NotRunning; }, 15000));
        return QJsonDocument::fromJson(readAll(report())).object();
    }
};

// The emulator's points as signed minutes of arc, computed by Python from the
// same seed; null for a point without a fix.
QJsonArray devicePositions(int points)
{
    QProcess py;
    py.setWorkingDirectory(kE2eDir);
    py.start("/usr/bin/python3",
             {"-c", QStringLiteral("import json, garmin_emulator as g\n"
                                   "out = []\n"
                                   "for p in g.make_points(%1):\n"
                                   "    if p['lat'] == g.INVALID_POS and p['lon'] == g.INVALID_POS:\n"
                                   "        continue\n"
                                   "    out.append([p['lat'] * 180 * 60 / 2**31, p['lon'] * 180 * 60 / 2**31])\n"
                                   "print(json.dumps(out))\n")
                        .arg(points)});
    EXPECT_TRUE(py.waitForFinished(10000));
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

} // namespace

TEST(GarminWindow, DownloadQuestionSwitchesTheLayoutAndNoKeepsItNormal)
{
    GarminWindow w;
    auto* downloadC = w.child<QPushButton>("DownloadC");
    auto* skip1 = w.child<QPushButton>("Skip1");
    const QString portCBefore = comboEntries(w.portC()).join(',');

    w.dialogs.queueAnswer(Dialogs::Answer::No);
    QTest::mouseClick(downloadC, Qt::LeftButton);
    ASSERT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_EQ(w.dialogs.shown[0].text, "GPS-Receiver connected and in GARMIN-Mode ?");
    EXPECT_EQ(w.dialogs.shown[0].title, "  Tracklog-Download");
    EXPECT_FALSE(w.window->downloadMode());
    EXPECT_TRUE(downloadC->isEnabled());
    EXPECT_EQ(comboEntries(w.portC()).join(','), portCBefore);

    w.fileT->setText("old text");
    w.enterDownloadMode();
    ASSERT_TRUE(w.window->downloadMode());
    EXPECT_EQ(w.fileT->text(), "");
    EXPECT_FALSE(w.nmea->isVisible());
    EXPECT_FALSE(downloadC->isEnabled());
    EXPECT_FALSE(skip1->isEnabled());
    EXPECT_EQ(w.list1()->count(), 0);
    EXPECT_EQ(w.list1()->toolTip(), "Download");
    EXPECT_EQ(w.child<QListWidget>("File1")->toolTip(), "File-Name");
    EXPECT_EQ(w.loa->toolTip(), "Start Download");
    EXPECT_EQ(w.portC()->count(), zelvan::kDownloadModeEntries);
    EXPECT_EQ(w.portC()->itemText(15), "COM16");
    EXPECT_EQ(w.portC()->palette().color(QPalette::Base), QColor(192, 0, 0));
    EXPECT_EQ(w.portC()->currentIndex(), w.window->garminPortIndex());

    // A choice in PortC is now the Garmin port.
    w.portC()->setCurrentIndex(6);
    EXPECT_EQ(w.window->garminPortIndex(), 6);

    // An empty name only beeps.
    const int beeps = w.dialogs.beeps;
    QTest::mouseClick(w.loa, Qt::LeftButton);
    EXPECT_EQ(w.dialogs.beeps, beeps + 1);
    EXPECT_FALSE(w.window->garminDownload().isTransferring());

    // A click in File1 only names the file.
    QFile(w.tracks() + "/day1.trk").open(QIODevice::WriteOnly);
    w.window->refreshFileList();
    auto* file1 = w.child<QListWidget>("File1");
    ASSERT_EQ(file1->count(), 1);
    QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(file1->item(0)).center());
    EXPECT_EQ(w.fileT->text(), "day1.trk");
    EXPECT_EQ(w.child<QLabel>("FileL")->text(), "");
}

TEST(GarminWindow, EscAndWindowDoubleClickLeaveDownloadMode)
{
    for (const bool byEsc : {true, false}) {
        GarminWindow w;
        w.window->setGarminPortIndex(2);
        w.enterDownloadMode();
        ASSERT_TRUE(w.window->downloadMode());
        if (byEsc)
            QTest::keyClick(w.fileT, Qt::Key_Escape);
        else
            QTest::mouseDClick(w.window.get(), Qt::LeftButton, {}, QPoint(2, 2));
        SCOPED_TRACE(byEsc ? "Esc" : "double click");
        EXPECT_FALSE(w.window->downloadMode());
        EXPECT_TRUE(w.child<QPushButton>("DownloadC")->isEnabled());
        EXPECT_TRUE(w.child<QPushButton>("Skip1")->isEnabled());
        EXPECT_TRUE(w.nmea->isVisible());
        EXPECT_TRUE(w.loa->isEnabled());
        EXPECT_EQ(w.loa->toolTip(), "Load Fileselection");
        EXPECT_EQ(w.child<QListWidget>("File1")->toolTip(), "Start - Rename/Delete");
        EXPECT_EQ(w.portC()->count(), zelvan::kPortListSize);
        EXPECT_EQ(w.portC()->palette().color(QPalette::Base), zelvan::qColor(zelvan::portListColour()));
        // Outside download mode PortC no longer names the Garmin port.
        w.portC()->setCurrentIndex(5);
        EXPECT_EQ(w.window->garminPortIndex(), 2);
    }
}

TEST(GarminWindow, ShortLogDownloadsShowsTransferOkAndDecodesAsOwnTrackFormat)
{
    GarminWindow w;
    ASSERT_TRUE(w.startDevice({"--points", "14", "--point-type", "301"}));
    w.enterDownloadMode();
    w.portC()->setCurrentIndex(0); // COM1, mapped to the pty by [Devices]
    w.typeNameAndEnter("short");
    EXPECT_FALSE(w.loa->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window->garminDownload().isTransferring(); }, 60000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.list1()->count() && w.list1()->item(w.list1()->count() - 1)->text() == "Transfer OK"; }, 5000))
        << listLines(w.list1()).join('|').toStdString();

    const QStringList lines = listLines(w.list1());
    EXPECT_EQ(lines.first(), "eTrex Legend Software Version 3.70");
    EXPECT_TRUE(lines.contains("Product-ID: 304"));
    EXPECT_TRUE(lines.contains("Records: 15"));
    EXPECT_TRUE(lines.contains("New Header: ACTIVE LOG"));
    EXPECT_TRUE(lines.contains("Track 01: 01.01.2005 00:00:00"));
    EXPECT_EQ(w.list1()->currentRow(), w.list1()->count() - 1);
    auto* gauge = w.child<zelvan::ProgressGauge>("Gauge2");
    EXPECT_EQ(gauge->maximum(), 15);
    EXPECT_EQ(gauge->value(), 14);
    EXPECT_EQ(w.portC()->palette().color(QPalette::Base), zelvan::qColor(zelvan::portListColour()));
    EXPECT_TRUE(w.window->downloadMode());
    EXPECT_EQ(w.dialogs.shown.size(), 1); // the question only

    const QString path = w.tracks() + "/short.trk";
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(w.child<QListWidget>("File1")->findItems("short.trk", Qt::MatchExactly).size(), 1);
    const QByteArray file = readAll(path);
    EXPECT_TRUE(file.startsWith("I Zelvan V" ZV_TEST_VERSION "\r\n# "));
    EXPECT_TRUE(file.endsWith(readAll(w.expected()))) << file.toStdString();
    const QJsonObject report = w.emulatorReport();
    EXPECT_TRUE(report["completed"].toBool());
    EXPECT_EQ(report["host_bad_frames"].toInt(), 0);

    // The file read back as the replay reads it: recognised as the own format,
    // every record at the device's position.
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    zv::LineReader reader(&in);
    const zelvan::TrackDetection detection = zelvan::detectTrackFormat(reader);
    EXPECT_EQ(detection.format, zelvan::TrackFormat::Zelvan);
    ASSERT_TRUE(in.seek(0));
    zv::LineReader again(&in);
    const QJsonArray positions = devicePositions(14);
    ASSERT_EQ(positions.size(), 13);
    zelvan::TrackDecoderState state;
    QByteArray line;
    int n = 0;
    while (again.readLine(line)) {
        const auto step = zelvan::decodeTrackRecord(line, zelvan::TrackFormat::Zelvan, state,
                                                    QDateTime::currentDateTimeUtc());
        state = step.state;
        if (!step.record)
            continue;
        ASSERT_LT(n, positions.size());
        const auto& r = *step.record;
        const double lat = r.latMinutes * (r.latHemisphere == 'S' ? -1 : 1);
        const double lon = r.lonMinutes * (r.lonHemisphere == 'W' ? -1 : 1);
        // The file holds four decimals of a minute; the record keeps three of them.
        EXPECT_NEAR(lat, positions[n].toArray()[0].toDouble(), 0.0011) << line.toStdString();
        EXPECT_NEAR(lon, positions[n].toArray()[1].toDouble(), 0.0011) << line.toStdString();
        const bool noAltitude = line.contains(";1E+25;");
        EXPECT_EQ(r.altitudeText.isEmpty(), noAltitude) << line.toStdString();
        ++n;
    }
    EXPECT_EQ(n, 13);
}

TEST(GarminWindow, SilentDeviceTimesOutWithTheMessageAndTheFileIsDeleted)
{
    GarminWindow w;
    ASSERT_TRUE(w.startDevice({"--points", "30", "--silence-after", "4", "--linger", "5"}));
    w.enterDownloadMode();
    w.portC()->setCurrentIndex(0);
    w.typeNameAndEnter("lost");
    ASSERT_TRUE(w.window->garminDownload().isTransferring());
    // Written aside: the name appears only with a complete transfer.
    EXPECT_FALSE(QFile::exists(w.tracks() + "/lost.trk"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window->garminDownload().isTransferring(); }, 20000));

    ASSERT_EQ(w.dialogs.shown.size(), 2);
    EXPECT_EQ(w.dialogs.shown[1].text, "GPS-Timeout\n(ComPort=1?)");
    EXPECT_EQ(w.dialogs.shown[1].title, " Error !");
    EXPECT_EQ(w.dialogs.shown[1].icon, Dialogs::Icon::Critical);
    EXPECT_FALSE(QFile::exists(w.tracks() + "/lost.trk"));
    EXPECT_TRUE(w.child<QListWidget>("File1")->findItems("lost.trk", Qt::MatchExactly).isEmpty());
    EXPECT_FALSE(listLines(w.list1()).contains("Transfer OK"));
    // Still in download mode, ready for another try on a serial port.
    EXPECT_TRUE(w.window->downloadMode());
    EXPECT_TRUE(w.loa->isEnabled());
    EXPECT_EQ(w.portC()->count(), zelvan::kDownloadModeEntries);
    EXPECT_EQ(w.portC()->palette().color(QPalette::Base), zelvan::qColor(zelvan::portListColour()));
    EXPECT_TRUE(w.emulatorReport()["abort_received"].toBool());
}

TEST(GarminWindow, EscDuringATransferCancelsItDeletesThePartialFileAndLeaves)
{
    GarminWindow w;
    ASSERT_TRUE(w.startDevice({"--points", "200", "--point-type", "300", "--linger", "3"}));
    w.enterDownloadMode();
    w.portC()->setCurrentIndex(0);
    w.typeNameAndEnter("partial.trk");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.child<zelvan::ProgressGauge>("Gauge2")->value() >= 3; }, 20000));
    QTest::keyClick(w.window->findChild<QPushButton*>("ENDE"), Qt::Key_Escape);
    EXPECT_FALSE(w.window->downloadMode());
    EXPECT_FALSE(w.window->garminDownload().isTransferring());
    EXPECT_FALSE(QFile::exists(w.tracks() + "/partial.trk"));
    EXPECT_EQ(w.child<zelvan::ProgressGauge>("Gauge2")->value(), 0);
    EXPECT_EQ(w.dialogs.shown.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window->garminDownload().comm2()->isOpen(); }, 3000));
    EXPECT_TRUE(w.emulatorReport()["abort_received"].toBool());
}

TEST(GarminWindow, PortThatCannotBeOpenedIsReportedAndLoadWorksAgain)
{
    GarminWindow w;
    w.enterDownloadMode();
    w.portC()->setCurrentIndex(15); // COM16: [Devices] names a missing device
    w.typeNameAndEnter("x");
    EXPECT_FALSE(w.window->garminDownload().isTransferring());
    ASSERT_EQ(w.dialogs.shown.size(), 2);
    EXPECT_TRUE(w.dialogs.shown[1].text.startsWith("COM16 cannot be opened")) << w.dialogs.shown[1].text.toStdString();
    EXPECT_TRUE(w.loa->isEnabled());
    EXPECT_FALSE(QFile::exists(w.tracks() + "/x.trk"));
}
