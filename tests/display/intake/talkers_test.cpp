// Receivers of several constellations: every talker is dispatched, decoded and
// logged like "$GP", and the satellites of all talkers of an epoch show.
#include "display/decode/decoders.h"
#include "display/decode/live_display.h"
#include "display/intake/intake.h"
#include "display/window/display_window.h"
#include "display/window/readout_pictures.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace vur;

namespace {

struct Window {
    QTemporaryDir home;
    zvtest::ScriptedDialogs dialogs;
    DisplayWindow window{home.path(), &dialogs};
    double clock = 1000;

    Window() { window.liveDisplay()->setClock([this] { return clock; }); }
    QString text(const char* name) { return window.findChild<QLabel*>(QString::fromUtf8(name))->text(); }
    void feed(QByteArrayView bytes) { window.intake()->feed(bytes); }
    void clickLeft(const char* name)
    {
        auto* box = window.findChild<QCheckBox*>(QString::fromUtf8(name));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    QByteArray log()
    {
        QFile f(window.intake()->logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no log>");
    }
};

GsaOutcome gsa(DisplayState& s, const char* sentence) { return decodeGsa(SentenceFields(QByteArrayView(sentence)), s); }
void gsv(DisplayState& s, const char* sentence) { decodeGsv(SentenceFields(QByteArrayView(sentence)), s); }

DisplayState fixed()
{
    DisplayState s;
    decodeGga(SentenceFields(QByteArrayView("$GNGGA,1,,,,,1,12,,545.9,M*00")), s);
    return s;
}

} // namespace

TEST(Talkers, TalkerAndTypeOfASentence)
{
    struct Case {
        const char* sentence;
        const char* talker;
        const char* type;
    };
    const Case cases[] = {
        {"$GPRMC,1*00", "GP", "RMC"}, {"$GNRMC,1*00", "GN", "RMC"}, {"$GLGSV,1*00", "GL", "GSV"},
        {"$GAGSV,1*00", "GA", "GSV"}, {"$GBGSV,1*00", "GB", "GSV"}, {"$BDGSA,1*00", "BD", "GSA"},
        {"$GQGSV,1*00", "GQ", "GSV"}, {"$GIGSV,1*00", "GI", "GSV"}, {"$INRMC,1*00", "IN", "RMC"},
        {"$IIRMB,1*00", "II", "RMB"}, {"$GPVTG", "GP", "VTG"},
        // Makers' own sentences have no talker, even when they look like one.
        {"$PQGSV,4,1*54", "", ""}, {"$PGRMM,WGS 84*06", "", ""}, {"$PSRFEPE,1*23", "", ""},
        // Not a talker and a type.
        {"$G", "", ""}, {"$GPRM", "GP", ""}, {"$gpRMC,1*00", "", ""}, {"$G1RMC,1*00", "", ""},
        {"$GP,RMC*00", "GP", ""}, {"$GPrmc,1*00", "GP", ""}, {"GPRMC,1*00", "", ""}, {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(talkerOf(QByteArrayView(c.sentence)), QByteArrayView(c.talker)) << c.sentence;
        EXPECT_EQ(typeOf(QByteArrayView(c.sentence)), QByteArrayView(c.type)) << c.sentence;
    }
}

TEST(Talkers, EveryTalkerReachesTheDecoderOfItsType)
{
    Intake intake(QStringLiteral("/nonexistent"), nullptr, nullptr);
    QList<QPair<SentenceType, QByteArray>> seen;
    const SentenceType types[] = {SentenceType::RMC, SentenceType::RMB, SentenceType::GGA,
                                  SentenceType::GSA, SentenceType::GSV, SentenceType::VTG};
    for (SentenceType t : types)
        intake.setHandler(t, [&seen, t](const QByteArray& s) { seen.append({t, s}); });
    const char* names[] = {"RMC", "RMB", "GGA", "GSA", "GSV", "VTG"};
    for (const char* talker : {"GP", "GN", "GL", "GA", "GB", "BD", "GQ", "GI", "IN", "II"}) {
        for (int i = 0; i < 6; ++i) {
            seen.clear();
            const QByteArray sentence = "$" + QByteArray(talker) + names[i] + ",1,2*00";
            intake.feed(" " + sentence + "\r\n"); // a leading blank as in a real log
            ASSERT_EQ(seen.size(), 1) << sentence.constData();
            EXPECT_EQ(seen[0].first, types[i]) << sentence.constData();
            EXPECT_EQ(seen[0].second, sentence) << "passed on unchanged";
        }
    }
    seen.clear();
    intake.feed("$PQGSV,4,1,14,04,,,32*54\r\n$PQGSA,A,3,12*3C\r\n$GNGNS,1*00\r\n$GNZDA,1*00\r\n$G1RMC,1*00\r\n");
    EXPECT_TRUE(seen.isEmpty());
}

TEST(Talkers, OtherTalkersAreLoggedUnchangedPerTypeAndEverySentence)
{
    Window w;
    const QByteArray epoch = "$GNRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,,,A*00\r\n"
                             "$GPGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                             "$GLGSV,1,1,01,70,1,1,40*00\r\n"
                             "$GNGSA,A,3,05*00\r\n";
    w.clickLeft("Check1(0)");
    w.feed(epoch);      // RMC ignored before a GGA with satellites; the others enable their boxes
    w.clickLeft("GSV"); // GSV joins RMC and GGA
    w.clock += 1;
    w.feed(epoch);      // sample tick: the first RMC, GGA and GSV are logged
    w.clock += 0.2;
    w.feed(epoch);      // inside the interval: nothing more
    EXPECT_EQ(w.log().toStdString(), std::string("$GNRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,,,A*00\r\n"
                                  "$GPGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                                  "$GLGSV,1,1,01,70,1,1,40*00\r\n"));
    for (const char* name : {"RMC", "GGA", "GSV", "GSA"})
        EXPECT_TRUE(w.window.findChild<QCheckBox*>(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_EQ(w.text("SPEED"), QStringLiteral("19"));

    Window all;
    all.clickLeft("Check1(0)");
    all.clickLeft("ALL");
    all.feed(epoch + "$PQGSV,4,1,14,04,,,32*54\r\n");
    EXPECT_EQ(all.log(), epoch + "$PQGSV,4,1,14,04,,,32*54\r\n");
}

TEST(Talkers, SatellitesOfEveryConstellationShowInBarsAndCounts)
{
    // One epoch of a GPS + GLONASS receiver: GSVs of both talkers, then two
    // GSAs (one per constellation), as u-blox and SiRF send them.
    DisplayState s = fixed();
    gsv(s, "$GPGSV,2,1,05,01,53,280,36,03,29,301,24,04,55,223,,08,38,166,16*00");
    gsv(s, "$GPGSV,2,2,05,11,40,245,29*00");
    gsv(s, "$GLGSV,1,1,03,66,37,078,27,67,62,349,26,68,20,296,*00");
    const std::vector<double> all{54, 36, 24, 43.5, 40.5, 39}; // GPS by number, then GLONASS
    for (const char* sentence : {"$GNGSA,A,3,01,03,08,11*00", "$GNGSA,A,3,66,67*00"}) {
        EXPECT_EQ(gsa(s, sentence).bars, all) << sentence;
        EXPECT_EQ(s.gpsl, QStringLiteral("GPS ok   3D-NAV   12/8 Sat")) << sentence;
    }
    // The next epoch's GSVs replace the whole round, GLONASS included.
    gsv(s, "$GPGSV,1,1,01,01,53,280,30*00");
    EXPECT_EQ(gsa(s, "$GNGSA,A,3,01*00").bars, std::vector<double>{45});
    EXPECT_EQ(s.gpsl, QStringLiteral("GPS ok   3D-NAV   12/1 Sat"));
}

TEST(Talkers, SameNumberInAnotherConstellationIsAnotherSatellite)
{
    // BeiDou and Galileo count from 1 again; numbers above 32 are theirs too.
    DisplayState s = fixed();
    gsv(s, "$GPGSV,1,1,02,01,30,046,22,40,00,000,27*00"); // 40 under GP: not kept
    gsv(s, "$BDGSV,1,1,02,01,00,000,45,40,01,090,35*00");
    gsv(s, "$GAGSV,1,1,01,01,00,000,30*00");
    gsv(s, "$GBGSV,1,1,01,201,00,000,20*00");
    EXPECT_EQ(gsa(s, "$GPGSA,A,3,01*00").bars, (std::vector<double>{33, 45, 67.5, 52.5, 30}));
    EXPECT_EQ(s.gpsl, QStringLiteral("GPS ok   3D-NAV   12/6 Sat"));
}

TEST(Talkers, SignalFieldIsNoSatelliteAndASecondSignalIsNotCountedTwice)
{
    // NMEA 4.10: one more field after the satellites names the signal; a
    // receiver may send a second round of the same talker for another signal.
    DisplayState s = fixed();
    gsv(s, "$GPGSV,3,1,10,25,70,260,46,02,55,052,,12,53,162,46,20,52,107,,1*65");
    gsv(s, "$GPGSV,3,2,10,11,52,053,,29,46,296,43,05,40,146,47,31,18,304,,1*6B");
    gsv(s, "$GPGSV,3,3,10,18,11,233,,06,09,052,,01,40,100,30,1*66"); // three satellites and the signal "1"
    gsv(s, "$GPGSV,1,1,04,25,70,260,50,12,53,162,45,29,46,296,39,05,40,146,48,6*67");
    gsv(s, "$GAGSV,1,1,03,07,23,126,,12,,,,24,19,329,,7*76");
    const GsaOutcome out = gsa(s, "$GNGSA,A,3,05,12,25,29*00");
    EXPECT_EQ(s.satSignal[1], 45); // not wiped by the signal number read as satellite 1
    EXPECT_EQ(s.gpsl, QStringLiteral("GPS ok   3D-NAV   12/13 Sat")); // 10 GPS + 3 Galileo
    EXPECT_EQ(out.bars.size(), 5u);
}

TEST(Talkers, RealMultiConstellationLogShowsAllItsSatellites)
{
    QFile f(QStringLiteral(ZV_TEST_DATA_DIR "/vurnet/gpsd_neo-m8n.log"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    Window w;
    w.feed(f.readAll());
    // Last epoch: GGA reports 12 used; 13 GPS and 10 GLONASS satellites in view.
    EXPECT_EQ(w.text("GPSL"), QStringLiteral("GPS ok   3D-NAV   12/23 Sat"));
    auto* bars = w.window.findChild<SatelliteBars*>(QStringLiteral("GPSS"));
    EXPECT_GT(bars->columnCount(), 13); // GLONASS columns beside the GPS ones
    EXPECT_EQ(w.text("Höhe"), QStringLiteral("1139"));
    EXPECT_FALSE(w.text("Uhr").isEmpty());
}

TEST(Talkers, BarsBeyondThirteenStayInsideThePicture)
{
    SatelliteBars bars;
    bars.resize(200, 100);
    bars.setBars(std::vector<double>(20, 90)); // full columns
    QImage image(bars.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    bars.render(&image);
    // The twentieth column is drawn near the right edge, not cut off.
    int yellowAtRight = 0;
    for (int x = 180; x < 200; ++x)
        yellowAtRight += image.pixelColor(x, 80) == QColor(255, 255, 0);
    EXPECT_GT(yellowAtRight, 0);
}
