// Form1's trip, profiles, route view and targets, driven offscreen by
// object names with a real log fed through the intake.
#include "display/decode/live_display.h"
#include "display/intake/intake.h"
#include "display/targets/targets.h"
#include "display/trip/recording.h"
#include "display/trip/trip_statistics.h"
#include "display/window/display_window.h"
#include "display/window/readout_pictures.h"
#include "display/window/trip_pictures.h"
#include "support/raw_pty.h"
#include "support/real_log_readouts.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vur;

namespace {

const QString kRealLog = QString::fromUtf8(zvtest::kRealLogFile);
const char* const kTripReadouts[] = {"SPDmax", "SPDavg", "STRweg", "STRluft", "Berg", "RZ",
                                     "FZ",     "NNmax",  "NNmin",  "Uhr",     "Datum", "RTEL"};

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

// Pixels of one colour in a widget as it paints itself.
int pixelsOf(QWidget* w, QColor colour)
{
    const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y) == colour;
    return n;
}

const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 192, 0);

// Form1 reading COM1 from a pseudo-terminal, as from a receiver. The sample
// clock advances one second per RMC, so every epoch of the log is sampled.
struct TripWindow : ::testing::Test {
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    std::unique_ptr<DisplayWindow> w;
    int master = -1;
    double clock = 36000;

    void SetUp() override
    {
        int slave = -1;
        QByteArray name;
        ASSERT_TRUE(zvtest::openRawPty(&master, &slave, &name));
        writeAll(QDir(home.path()).filePath(QStringLiteral("Vur.ini")), "[Devices]\r\nCOM1=" + name + "\r\n");
        // A target 70 m north of the log's end.
        writeAll(QDir(home.path()).filePath(QStringLiteral("VUR.wpt")), zvtest::kNordTarget);
        makeWindow();
        ::close(slave);
        ASSERT_TRUE(w->intake()->comm1()->isOpen());
    }
    void TearDown() override
    {
        w.reset();
        ::close(master);
    }
    void makeWindow()
    {
        w = std::make_unique<DisplayWindow>(home.path(), &dialogs);
        w->liveDisplay()->setClock([this] { return clock += 1; });
        w->resize(1000, 800);
        w->show();
    }
    template <class T = QWidget>
    T* child(const char* name) const
    {
        T* c = w->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QString text(const char* name) const { return child<QLabel>(name)->text(); }

    // Writes the bytes into the terminal and waits until the window took them.
    void send(const QByteArray& bytes)
    {
        const qint64 before = w->intake()->dispatchedCount();
        const qsizetype lines = bytes.count('\n');
        for (qsizetype off = 0; off < bytes.size(); off += 512) {
            const QByteArray chunk = bytes.mid(off, 512);
            ASSERT_EQ(::write(master, chunk.constData(), chunk.size()), chunk.size());
            QTest::qWait(5);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->intake()->dispatchedCount() >= before + lines - 12; }, 5000));
        QTest::qWait(50);
    }
    void sendRealLog() { send(readAll(kRealLog)); }

    QStringList tripTexts() const
    {
        QStringList out;
        for (const char* n : kTripReadouts)
            out << QString::fromUtf8(n) + QLatin1Char('=') + text(n);
        return out;
    }
    void typeInto(const char* field, const QString& s)
    {
        auto* t = child<QLineEdit>(field);
        t->setText(s);
    }
};

} // namespace

TEST_F(TripWindow, ControlsAreNamedAndCaptionedAsTheUserKnowsThem)
{
    const struct { const char* name; const char* tip; } tips[] = {
        {"SPDmax", "Höchstgeschwindigkeit"}, {"SPDavg", "Durchschnittsgeschwindigkeit"}, {"STRweg", "Fahrweg"},
        {"STRluft", "Luftlinie"}, {"Berg", "Steigung"}, {"DirP", "Ziel"}, {"GotoL", "Ziele"},
        {"GotoSave", "aktuelle Position speichern"}, {"GotoN", "Name ändern"}, {"GotoE", "Eintrag löschen"},
        {"Option1(0)", "Aufzeichnungsdauer=15min"}, {"Option1(4)", "Aufzeichnungsdauer=8h"},
        {"Option1(6)", "Aufzeichnungsdauer=10h/Auto"}};
    for (const auto& t : tips)
        EXPECT_EQ(child(t.name)->toolTip(), QString::fromUtf8(t.tip)) << t.name;
    EXPECT_EQ(child<QPushButton>("SAVE")->text(), QStringLiteral("speichern"));
    EXPECT_EQ(child<QPushButton>("LOAD")->text(), QStringLiteral("laden"));
    EXPECT_EQ(child<QPushButton>("GotoSave")->text(), QStringLiteral("Standort  speichern"));
    EXPECT_EQ(child<QRadioButton>("Option1(3)")->text(), QStringLiteral(" 8s"));
    EXPECT_EQ(child<QRadioButton>("Option1(6)")->text(), QStringLiteral("Auto"));
    EXPECT_TRUE(child<QRadioButton>("Option1(0)")->isChecked());
    for (const char* n : {"START", "STOP", "RESET", "NNmax", "NNmin", "RZ", "FZ", "DIRT", "DIST", "TRNE", "SPL", "NNL",
                          "RTE", "Agn"})
        EXPECT_TRUE(child(n)->isVisible()) << n;
    for (const char* n : {"FileT", "FileL", "GotoL", "GotoSave", "GotoN", "GotoO", "GotoE", "Art", "RecA"})
        EXPECT_FALSE(child(n)->isVisible()) << n;
    EXPECT_EQ(text("RTEL"), QStringLiteral("<--- 1 km --->"));
    // The first line of the targets file is the current target.
    EXPECT_EQ(w->targets()->targetLine(), QStringLiteral("NORD   40°24'00.0\"N 003°39'09.8\"W"));
    EXPECT_EQ(child<QListWidget>("GotoL")->count(), 1);
}

TEST_F(TripWindow, RealLogShowsTripReadOutsProfilesRouteAndTargetArrow)
{
    sendRealLog();
    send(zvtest::kVtgAfterLog);
    for (const zvtest::ReadoutText& r : zvtest::kRealLogReadouts)
        EXPECT_EQ(text(r.name), QString::fromUtf8(r.text)) << r.name;
    EXPECT_EQ(w->trip()->state().speed.points, zvtest::kRealLogSamples);
    EXPECT_EQ(w->trip()->state().altitude.points, zvtest::kRealLogSamples);
    EXPECT_EQ(w->trip()->state().route.count, zvtest::kRealLogSamples);
    EXPECT_GT(pixelsOf(child("SPL"), kBlue), 20);
    EXPECT_GT(pixelsOf(child("NNL"), kBlue), 20);
    EXPECT_GT(pixelsOf(child("RTE"), kBlue), 10);
    EXPECT_GT(pixelsOf(child("DirP"), kGreen), 20);
    EXPECT_GT(pixelsOf(child("RTE"), kGreen), 4); // the destination mark
}

TEST_F(TripWindow, IntervalOptionsPaceTheLiveSampleTickAndRouteClicksChangeTheScale)
{
    QTest::mouseClick(child("Option1(2)"), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(w->liveDisplay()->sampleTick().sampleInterval, 4);
    EXPECT_FALSE(w->liveDisplay()->sampleTick().autoMode);
    QTest::mouseClick(child("Option1(6)"), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(w->liveDisplay()->sampleTick().sampleInterval, 80);
    EXPECT_TRUE(w->liveDisplay()->sampleTick().autoMode);
    EXPECT_FALSE(child<QRadioButton>("Option1(2)")->isChecked());
    QTest::mouseClick(child("Option1(2)"), Qt::LeftButton, {}, QPoint(6, 6));
    sendRealLog();
    // One sample every fourth second of the sample clock.
    EXPECT_EQ(w->trip()->state().speed.points, 5);
    EXPECT_EQ(w->trip()->state().altitude.points, 5);

    QTest::mouseClick(child("RTE"), Qt::LeftButton);
    EXPECT_EQ(text("RTEL"), QStringLiteral("<---  2 km --->"));
    QTest::mouseClick(child("RTE"), Qt::RightButton);
    QTest::mouseClick(child("RTE"), Qt::RightButton);
    EXPECT_EQ(text("RTEL"), QStringLiteral("<---  .5 km --->"));
    EXPECT_TRUE(child("RTE")->hasFocus());
}

// A right click on a profile chooses between the fixed scale (the default)
// and one fitted to the samples, which lifts a slow ride off the bottom.
TEST_F(TripWindow, ProfilesOfferAScaleFittedToTheData)
{
    sendRealLog();
    for (const char* name : {"SPL", "NNL"}) {
        auto* view = child<ProfileView>(name);
        auto* fitted = w->findChild<QAction*>(QString::fromLatin1(name) + QStringLiteral("Fitted"));
        auto* fixed = w->findChild<QAction*>(QString::fromLatin1(name) + QStringLiteral("Fixed"));
        ASSERT_TRUE(fitted && fixed) << name;
        EXPECT_EQ(view->contextMenuPolicy(), Qt::ActionsContextMenu);
        EXPECT_TRUE(fixed->isChecked());
        EXPECT_EQ(view->scale(), fixedProfileScale(view->kind()));
        const QImage before = view->grab().toImage();
        fitted->trigger();
        EXPECT_TRUE(fitted->isChecked());
        EXPECT_FALSE(fixed->isChecked());
        const TripState& trip = w->trip()->state();
        const Profile& samples = view->kind() == ProfileKind::Speed ? trip.speed : trip.altitude;
        EXPECT_EQ(view->scale(), fittedProfileScale(samples, view->kind()));
        EXPECT_NE(view->grab().toImage(), before) << name;
        fixed->trigger();
        EXPECT_EQ(view->grab().toImage(), before) << name;
    }
    EXPECT_EQ(child<ProfileView>("SPL")->actions().first()->text(), QStringLiteral("Scale 0\u2013200 km/h"));
}

TEST_F(TripWindow, ProfileReadOutFollowsTheMouseAndVanishesOutside)
{
    sendRealLog();
    auto* spl = child("SPL");
    auto* nnl = child("NNL");
    const QImage before = spl->grab().toImage();
    QTest::mouseMove(spl, QPoint(spl->width() / 2, spl->height() / 4));
    QTest::qWait(20);
    EXPECT_NE(spl->grab().toImage(), before);
    QTest::mouseMove(nnl, QPoint(nnl->width() / 2, nnl->height() / 2));
    QTest::qWait(20);
    EXPECT_EQ(spl->grab().toImage(), before);
}

TEST_F(TripWindow, SaveResetLoadRestoresTheSameTrip)
{
    sendRealLog();
    const QStringList live = tripTexts();
    const QImage spl = child("SPL")->grab().toImage(), nnl = child("NNL")->grab().toImage(),
                 rte = child("RTE")->grab().toImage();

    QTest::mouseClick(child("SAVE"), Qt::LeftButton);
    EXPECT_TRUE(child("FileT")->isVisible());
    EXPECT_FALSE(child("LOAD")->isVisible());
    EXPECT_FALSE(child("Check1(0)")->isVisible());
    typeInto("FileT", QStringLiteral("madrid"));
    QTest::mouseClick(child("SAVE"), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(QDir(home.path()).filePath(QStringLiteral("madrid.dat"))));
    EXPECT_TRUE(child("LOAD")->isVisible());
    EXPECT_TRUE(child("Check1(1)")->isVisible());
    EXPECT_TRUE(child<QLineEdit>("FileT")->text().isEmpty());

    QTest::mouseClick(child("RESET"), Qt::LeftButton);
    EXPECT_TRUE(text("SPDmax").isEmpty());
    EXPECT_TRUE(text("STRluft").isEmpty());
    EXPECT_EQ(pixelsOf(child("SPL"), kBlue), 0);
    EXPECT_EQ(pixelsOf(child("RTE"), kBlue), 0);

    QTest::mouseClick(child("LOAD"), Qt::LeftButton);
    auto* fileL = child<QListWidget>("FileL");
    ASSERT_EQ(fileL->count(), 1);
    EXPECT_EQ(fileL->item(0)->text(), QStringLiteral("madrid.dat"));
    // Typing selects incrementally; Enter loads the typed name.
    QTest::keyClicks(child("FileT"), QStringLiteral("MADRID"));
    EXPECT_EQ(fileL->currentRow(), 0);
    child<QLineEdit>("FileT")->setText(QStringLiteral("madrid"));
    QTest::keyClick(child("FileT"), Qt::Key_Return);
    EXPECT_EQ(tripTexts(), live);
    EXPECT_EQ(child("SPL")->grab().toImage(), spl);
    EXPECT_EQ(child("NNL")->grab().toImage(), nnl);
    EXPECT_EQ(child("RTE")->grab().toImage(), rte);
    EXPECT_EQ(child<SatelliteBars>("GPSS")->message(), TripStatistics::kLoadingText);
    // Live input stops until START.
    EXPECT_FALSE(w->intake()->comm1()->isOpen());
    EXPECT_TRUE(child("Art")->isVisible());
    EXPECT_FALSE(child("Agn")->isVisible());
    QTest::mouseClick(child("START"), Qt::LeftButton);
    EXPECT_TRUE(w->intake()->comm1()->isOpen());
    EXPECT_TRUE(child("Agn")->isVisible());
    EXPECT_TRUE(child<SatelliteBars>("GPSS")->message().isEmpty());
}

TEST_F(TripWindow, DamagedRecordingLeavesTheLiveTripUntouched)
{
    sendRealLog();
    QTest::mouseClick(child("SAVE"), Qt::LeftButton);
    typeInto("FileT", QStringLiteral("good"));
    QTest::mouseClick(child("SAVE"), Qt::LeftButton);
    const QByteArray good = readAll(QDir(home.path()).filePath(QStringLiteral("good.dat")));
    ASSERT_GT(good.size(), 1000);
    QByteArray bad = good;
    bad.replace(bad.indexOf("\r\n", 20000) + 2, 3, "x!?");
    writeAll(QDir(home.path()).filePath(QStringLiteral("short.dat")), good.left(good.size() / 2));
    writeAll(QDir(home.path()).filePath(QStringLiteral("bad.dat")), bad);
    send("$GPGGA,214426,4023.9700,N,00339.1630,W,8,09,2.0,701.0,M,51.6,M,,*00\r\n"
         "$GPRMC,214426,V,4023.9700,N,00339.1630,W,30.0,0.0,140605,2.5,W,S*00\r\n");
    const QStringList live = tripTexts();
    const QByteArray state = writeRecording(w->trip()->state());

    for (const char* name : {"short", "bad", "missing"}) {
        QTest::mouseClick(child("LOAD"), Qt::LeftButton);
        typeInto("FileT", QString::fromLatin1(name));
        QTest::mouseClick(child("LOAD"), Qt::LeftButton);
        EXPECT_EQ(child<SatelliteBars>("GPSS")->message(), QStringLiteral("  Datei nicht gefunden !      ")) << name;
        EXPECT_EQ(tripTexts(), live) << name;
        EXPECT_EQ(writeRecording(w->trip()->state()), state) << name;
        EXPECT_TRUE(w->intake()->comm1()->isOpen()) << name;
        EXPECT_TRUE(child("Agn")->isVisible()) << name;
    }
    // The trip goes on with the next sentences.
    send("$GPRMC,214428,V,4023.9800,N,00339.1630,W,40.0,0.0,140605,2.5,W,S*00\r\n");
    EXPECT_EQ(text("SPDmax"), QStringLiteral("74"));
}

// A receiver that loses its fix sends GGAs without satellites (and void
// RMCs): that time is no travel, and the way to the next fix is no distance.
TEST_F(TripWindow, TimeWithoutAFixAddsNeitherTravelTimeNorDistance)
{
    QByteArray bytes;
    auto fix = [&](const QByteArray& t) {
        bytes += "$GPGGA," + t + ",4023.8600,N,00339.1630,W,1,09,2.0,695.7,M,51.6,M,,*00\r\n";
        bytes += "$GPRMC," + t + ",A,4023.8600,N,00339.1630,W,20.0,0.0,140605,2.5,W,A*00\r\n";
    };
    fix("100000");
    fix("100002");
    for (int s = 10; s < 300; s += 10) {
        const QByteArray t = QByteArray::number(100000 + (s / 60) * 100 + s % 60);
        bytes += "$GPGGA," + t + ",,,,,0,00,,,M,,M,,*00\r\n";
        bytes += "$GPRMC," + t + ",V,,,,,,,140605,,,N*00\r\n";
    }
    fix("100500");
    fix("100502");
    send(bytes);
    EXPECT_EQ(w->trip()->state().travelTime, 4);
    EXPECT_EQ(text("RZ"), QStringLiteral(" 0:00"));
    EXPECT_EQ(text("FZ"), QStringLiteral(" 0:00"));
    EXPECT_EQ(text("STRweg"), QStringLiteral("0.0"));
}

TEST_F(TripWindow, StopFreezesTheDisplayAndStartResumes)
{
    QTest::mouseClick(child("STOP"), Qt::LeftButton);
    EXPECT_FALSE(w->intake()->comm1()->isOpen());
    EXPECT_TRUE(child("Art")->isVisible());
    QTest::mouseClick(child("START"), Qt::LeftButton);
    ASSERT_TRUE(w->intake()->comm1()->isOpen());
    sendRealLog();
    EXPECT_EQ(text("SPDmax"), QStringLiteral("20"));
}

TEST_F(TripWindow, TargetsAreStoredRenamedAndDeletedThroughTheWidgets)
{
    const QString wpt = QDir(home.path()).filePath(QStringLiteral("VUR.wpt"));
    const QByteArray nord = "NORD   40\xB0" "24'00.0\"N 003\xB0" "39'09.8\"W\r\n";
    // No position yet: a beep, nothing stored.
    QTest::mouseClick(child("DirP"), Qt::LeftButton);
    ASSERT_TRUE(child("GotoSave")->isVisible());
    EXPECT_FALSE(child("TRNE")->isVisible());
    const int beeps = dialogs.beeps;
    QTest::mouseClick(child("GotoSave"), Qt::LeftButton);
    EXPECT_EQ(dialogs.beeps, beeps + 1);
    EXPECT_EQ(readAll(wpt), nord);

    send("$GPGGA,214424,4023.9621,N,00339.1630,W,8,09,2.0,695.7,M,51.6,M,,*5C\r\n"
         "$GPRMC,214424,V,4023.9621,N,00339.1630,W,10.8,0.0,140605,2.5,W,S*27\r\n");
    QTest::mouseClick(child("GotoSave"), Qt::LeftButton);
    auto* list = child<QListWidget>("GotoL");
    ASSERT_EQ(list->count(), 2);
    // At the default size a whole entry shows, longitude included.
    w->resize(DisplayWindow::defaultSize());
    QTest::mouseClick(child("DirP"), Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(list->viewport()->width(), list->fontMetrics().horizontalAdvance(list->item(1)->text()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    const QString stored = list->item(1)->text();
    const QByteArray name = stored.left(6).toLatin1();
    // 23.9621 minutes: 57.726 seconds, kept to the tenth.
    EXPECT_EQ(readAll(wpt), nord + name + " 40\xB0" "23'57.7\"N 003\xB0" "39'09.8\"W\r\n");
    EXPECT_TRUE(child("TRNE")->isVisible());

    // Choose the stored entry, then give it a new name.
    QTest::mouseClick(child("DirP"), Qt::LeftButton);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(w->targets()->targetLine(), QString::fromLatin1(name + " 40\xB0" "23'57.7\"N 003\xB0" "39'09.8\"W"));
    EXPECT_FALSE(list->isVisible());
    QTest::mouseClick(child("DirP"), Qt::RightButton);
    auto* gotoN = child<QLineEdit>("GotoN");
    ASSERT_TRUE(gotoN->isVisible());
    EXPECT_EQ(gotoN->text(), QString::fromLatin1(name));
    gotoN->setText(QStringLiteral("Bäck"));
    QTest::mouseClick(child("GotoO"), Qt::LeftButton);
    const QByteArray renamed = nord + "B\xE4" "ck   40\xB0" "23'57.7\"N 003\xB0" "39'09.8\"W\r\n";
    EXPECT_EQ(readAll(wpt), renamed);
    EXPECT_FALSE(readAll(wpt).contains("\xC2"));
    EXPECT_TRUE(w->targets()->targetLine().startsWith(QStringLiteral("Bäck  ")));

    // Rename the first entry (not the chosen one): it moves to the end, the target stays.
    QTest::mouseClick(child("DirP"), Qt::LeftButton);
    list->setCurrentRow(0);
    w->targets()->select(0);
    QTest::mouseClick(child("DirP"), Qt::RightButton);
    gotoN->setText(QStringLiteral("N2"));
    QTest::mouseClick(child("GotoO"), Qt::LeftButton);
    EXPECT_EQ(readAll(wpt), QByteArray("B\xE4" "ck   40\xB0" "23'57.7\"N 003\xB0" "39'09.8\"W\r\n"
                                       "N2     40\xB0" "24'00.0\"N 003\xB0" "39'09.8\"W\r\n"));
    EXPECT_TRUE(w->targets()->targetLine().startsWith(QStringLiteral("Bäck  ")));

    // Delete the chosen one.
    w->targets()->select(0);
    QTest::mouseClick(child("DirP"), Qt::RightButton);
    QTest::mouseClick(child("GotoE"), Qt::LeftButton);
    EXPECT_EQ(readAll(wpt), QByteArray("N2     40\xB0" "24'00.0\"N 003\xB0" "39'09.8\"W\r\n"));
    EXPECT_TRUE(w->targets()->targetLine().startsWith(QStringLiteral("------")));
    EXPECT_FALSE(child("GotoE")->isVisible());
}

TEST_F(TripWindow, ReceiverDestinationTakesOverUntilReset)
{
    sendRealLog();
    send("$GPRMB,A,0.00,L,,MADRID,4025.0000,N,00339.1630,W,001.0,000.0,,V*00\r\n"
         "$GPVTG,0.0,T,,M,10.8,N,20.0,K*00\r\n");
    EXPECT_EQ(text("DIRT"), QStringLiteral("MADRID"));
    EXPECT_EQ(text("DIST"), QStringLiteral(" 2 km"));
    EXPECT_EQ(text("TRNE"), QStringLiteral("N"));
    EXPECT_TRUE(w->targets()->rmbActive());
    const int beeps = dialogs.beeps;
    QTest::mouseClick(child("DirP"), Qt::LeftButton);
    EXPECT_EQ(dialogs.beeps, beeps + 1);
    EXPECT_FALSE(child("GotoL")->isVisible());
    QTest::mouseClick(child("RESET"), Qt::LeftButton);
    EXPECT_FALSE(w->targets()->rmbActive());
    EXPECT_TRUE(child("GPSS")->hasFocus());
}

TEST_F(TripWindow, LoggedSampleBlinksTheRecordingLampAndReadOutsHandTheFocusOn)
{
    QTest::mouseClick(child("Check1(0)"), Qt::LeftButton, {}, QPoint(6, 6));
    ASSERT_EQ(w->intake()->logMode(), 1);
    send("$GPGGA,214424,4023.9621,N,00339.1630,W,8,09,2.0,695.7,M,51.6,M,,*5C\r\n"
         "$GPRMC,214424,V,4023.9621,N,00339.1630,W,10.8,0.0,140605,2.5,W,S*27\r\n");
    EXPECT_TRUE(child("RecA")->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !child("RecA")->isVisible(); }, 2000));
    EXPECT_TRUE(readAll(w->intake()->logPath()).startsWith("$GPRMC,214424"));

    child("GPSS")->setFocus();
    QTest::mouseClick(child("SPDmax"), Qt::LeftButton);
    EXPECT_TRUE(child("RTE")->hasFocus());
}
