// Logs of receivers that mix constellations ("$GNRMC", "$GLGSV", "$BDGSA"),
// and the talker of the sentences Zelvan composes itself.
#include "replay_harness.h"
#include "support/pynmea2_check.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "sim/replay/replay_core.h"
#include "sim/window/altitude_picture.h"
#include "sim/window/gauges.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

// Epochs 20 to 29 stand still.
QByteArray knotsOf(int i)
{
    return i >= 20 && i < 30 ? "0.0" : "5.0";
}

QByteArray gnRmc(int i)
{
    const QByteArray t = QByteArray::number(120000 + i) + ".00";
    return zv::frameSentence("GNRMC," + t + ",A,4807.0" + QByteArray::number(10 + i) + ",N,01131.000,E," + knotsOf(i)
                             + ",090.0,180315,,,A");
}

// One epoch as a u-blox receiver writes it: GPS and GLONASS satellites in
// their own GSV, one GSA per constellation, the status text as GNTXT.
QList<QByteArray> gnEpoch(int i)
{
    const QByteArray t = QByteArray::number(120000 + i) + ".00";
    const QByteArray lat = "4807.0" + QByteArray::number(10 + i);
    return {
        gnRmc(i),
        zv::frameSentence("GNVTG,090.0,T,,M," + knotsOf(i) + ",N,9.3,K,A"),
        zv::frameSentence("GNGGA," + t + "," + lat + ",N,01131.000,E,1,12,0.91," + QByteArray::number(600 + i)
                          + ".0,M,-21.3,M,,"),
        zv::frameSentence("GNGSA,A,3,01,11,31,14,,,,,,,,,1.56,0.91,1.27"),
        zv::frameSentence("GNGSA,A,3,67,83,76,,,,,,,,,,1.56,0.91,1.27"),
        zv::frameSentence("BDGSA,A,3,201,,,,,,,,,,,,1.56,0.91,1.27"),
        zv::frameSentence("GPGSV,1,1,04,01,53,280,36,03,29,301,24,04,55,223,37,08,38,166,16"),
        zv::frameSentence("GLGSV,1,1,02,66,37,078,27,67,62,349,26"),
        zv::frameSentence("GNGLL," + lat + ",N,01131.000,E," + t + ",A,A"),
        zv::frameSentence("GNTXT,01,01,02,EPOCH " + QByteArray::number(i)),
    };
}

QByteArray joinLines(const QList<QByteArray>& lines)
{
    return lines.isEmpty() ? QByteArray() : lines.join("\r\n") + "\r\n";
}

QByteArray gnLog(int epochs)
{
    QList<QByteArray> lines{"# u-blox style"};
    for (int i = 0; i < epochs; ++i)
        lines += gnEpoch(i);
    return joinLines(lines);
}

int epochOf(const QByteArray& rmc)
{
    return int(zv::leadingNumber(rmcField(rmc, 1))) - 120000;
}

void writeIni(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

TEST(Talkers, EpochOfSeveralConstellationsGoesOutWholeAndInFileOrder)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("gn.log"), gnLog(3));
    ASSERT_TRUE(h.load(QStringLiteral("gn.log")));
    EXPECT_TRUE(h.dialogs.shown.isEmpty());
    EXPECT_EQ(h.state().recordTotal, 4);
    EXPECT_TRUE(h.state().hasRmc);
    EXPECT_TRUE(h.state().hasGga);
    EXPECT_TRUE(h.state().hasVtg);
    EXPECT_EQ(h.state().currentLine, gnRmc(0));
    EXPECT_EQ(h.ui().dia->toolTip(), QStringLiteral("Altitude: 600-602m"));

    h.runTick();
    // All of it, both GSA of GN and the BeiDou one, GPS and GLONASS GSV;
    // the log has its own VTG, so none is made up, and the fixed datum follows.
    QList<QByteArray> expected = gnEpoch(0);
    expected << QByteArray(kFixedPgrmm);
    EXPECT_EQ(h.channel.sent, expected);
    EXPECT_TRUE(h.ui().data[DataGga]->isEnabled());
    EXPECT_TRUE(h.ui().data[DataGsa]->isEnabled());
    EXPECT_TRUE(h.ui().data[DataGsv]->isEnabled());
    EXPECT_FALSE(h.ui().data[DataRmb]->isEnabled());
    EXPECT_EQ(h.ui().data[DataVtg]->property("captionColour").toUInt(), 0xFF00FFu);
    EXPECT_TRUE(h.state().statusText.startsWith(QStringLiteral("01,01,02,EPOCH 0*")));
    EXPECT_EQ(h.state().lastGga, gnEpoch(0)[2]);
    EXPECT_EQ(h.ui().nnL->text(), QStringLiteral("600"));
    EXPECT_EQ(h.ui().speedL->text(), QStringLiteral("9"));
    EXPECT_EQ(h.ui().gauge1->value(), 180);

    // "only RMC/GGA": the RMC and the GGA of each epoch.
    h.window->findChild<QPushButton*>(QStringLiteral("RMCRMB"))->click();
    h.channel.sent.clear();
    h.runToEnd();
    EXPECT_EQ(h.channel.sent, (QList<QByteArray>{gnRmc(1), gnEpoch(1)[2], gnRmc(2), gnEpoch(2)[2]}));
}

TEST(Talkers, NavigationCountsRmcOfAnyTalker)
{
    ReplayHarness h;
    h.addFile(QStringLiteral("nav.log"), gnLog(40));
    ASSERT_TRUE(h.load(QStringLiteral("nav.log")));
    h.runTick();
    h.ui().skip1->click(); // Skip 10
    EXPECT_EQ(h.state().recordIndex, 11);
    EXPECT_EQ(epochOf(h.state().currentLine), 11);
    // The status text follows the skip.
    EXPECT_TRUE(h.state().statusText.startsWith(QStringLiteral("01,01,02,EPOCH 10*")));
    // Records count from 0: record n is epoch n here, with the text of the
    // last GNTXT before it.
    for (int n : {2, 7, 25, 39}) {
        h.loader().goToRecord(n);
        EXPECT_EQ(h.state().recordIndex, n);
        EXPECT_EQ(epochOf(h.state().currentLine), n) << n;
        EXPECT_TRUE(h.state().statusText.startsWith(QStringLiteral("01,01,02,EPOCH %1*").arg(n - 1))) << n;
    }
    h.ui().restart->click();
    EXPECT_EQ(epochOf(h.state().currentLine), 0);

    // Standstill skip: from epoch 19 on, the still epochs 20 to 29 are read over.
    h.loader().goToRecord(18); // epoch 18 next
    h.ui().autoSkip->click();
    ASSERT_TRUE(h.state().autoSkipStill);
    h.channel.sent.clear();
    h.runTick(); // sends 18, reads 19: moving
    h.runTick(); // sends 19, reads 20: still, reads on to 30
    EXPECT_EQ(epochOf(h.state().currentLine), 30);
    EXPECT_EQ(h.state().recordIndex, 30);
    h.runTick();
    QList<int> sentEpochs;
    for (const QByteArray& s : h.channel.sent)
        if (zv::isSentence(s, "RMC"))
            sentEpochs << epochOf(s);
    EXPECT_EQ(sentEpochs, (QList<int>{18, 19, 30}));
}

TEST(Talkers, GnLogWithoutRmcReplaysThroughItsCompanion)
{
    // GGA and VTG of a GN receiver, no RMC at all.
    QList<QByteArray> lines;
    for (int i = 0; i < 5; ++i) {
        const QByteArray t = QByteArray::number(120000 + i) + ".00";
        lines << zv::frameSentence("GNGGA," + t + ",4807.0" + QByteArray::number(10 + i)
                                   + ",N,01131.000,E,1,12,0.91,600.0,M,-21.3,M,,")
              << zv::frameSentence("GNVTG,090.0,T,,M,5.0,N,9.3,K,A")
              << zv::frameSentence("GLGSV,1,1,02,66,37,078,27,67,62,349,26");
    }
    ReplayHarness h;
    h.addFile(QStringLiteral("norm.log"), joinLines(lines));
    ASSERT_TRUE(h.load(QStringLiteral("norm.log")));
    EXPECT_TRUE(h.dialogs.shown.isEmpty());
    // The companion's records, those sent: one RMC for each GGA after the first VTG.
    EXPECT_EQ(h.state().recordTotal, 5);
    const QString companion = h.state().trackPath;
    EXPECT_TRUE(companion.endsWith(QStringLiteral(".RMC"))) << companion.toStdString();
    h.runToEnd();
    QList<QByteArray> rmcs;
    for (const QByteArray& s : h.channel.sent)
        if (zv::isSentence(s, "RMC"))
            rmcs << s;
    // One RMC before every GGA after the first VTG: epochs 1 to 4.
    ASSERT_EQ(rmcs.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(zv::sentenceField(rmcs[i], 1), QByteArray::number(120001 + i)) << rmcs[i].constData();
        EXPECT_EQ(zv::sentenceField(rmcs[i], 7), "5.0");
    }
    EXPECT_TRUE(h.channel.sent.contains(lines[3 * 2])); // its own GNGGA passed on unchanged
    EXPECT_FALSE(QFile::exists(companion));
}

TEST(Talkers, ComposedSentencesTakeTheTalkerOfTheSettings)
{
    ReplayHarness h;
    const QString ini = QDir(h.home.path()).filePath(QStringLiteral("Zelvan.ini"));
    h.loader().setSettingsFile(ini);
    EXPECT_EQ(h.state().outputTalker, "GP"); // no file: GPS

    writeIni(ini, "[Port]\r\nCOM= 1\r\n[Output]\r\nTalker=GN\r\n");
    QList<QByteArray> composed;
    // A track file: every composed RMC, GGA and VTG.
    h.addFile(QStringLiteral("ride.trk"), zvtest::readTestData(QStringLiteral("tracks/handmade_zelvan.trk")));
    ASSERT_TRUE(h.load(QStringLiteral("ride.trk")));
    EXPECT_EQ(h.state().outputTalker, "GN");
    h.runToEnd();
    ASSERT_FALSE(h.channel.sent.isEmpty());
    for (const QByteArray& s : h.channel.sent) {
        EXPECT_TRUE(s.startsWith("$GN") || s == kFixedPgrmm) << s.constData();
        composed << s;
    }

    // A GPS log without VTG: the made-up VTG is GN, the log's lines stay GP.
    QList<QByteArray> log;
    for (int i = 0; i < 4; ++i)
        log << zv::frameSentence("GPRMC,12000" + QByteArray::number(i) + ",A,4807.0" + QByteArray::number(10 + i)
                                 + ",N,01131.000,E,5.0,090.0,180315,,")
            << zv::frameSentence("GPGGA,12000" + QByteArray::number(i) + ",4807.0" + QByteArray::number(10 + i)
                                 + ",N,01131.000,E,1,08,0.9,600,M,,M,,");
    h.addFile(QStringLiteral("novtg.log"), joinLines(log));
    h.channel.sent.clear();
    ASSERT_TRUE(h.load(QStringLiteral("novtg.log")));
    h.runToEnd();
    int vtgs = 0;
    for (const QByteArray& s : h.channel.sent) {
        if (zv::isSentence(s, "VTG")) {
            EXPECT_TRUE(s.startsWith("$GNVTG,090.0,T,,M,5.0,N,9,K*")) << s.constData();
            composed << s;
            ++vtgs;
        } else if (s != kFixedPgrmm) {
            EXPECT_TRUE(log.contains(s)) << s.constData();
        }
    }
    EXPECT_EQ(vtgs, 3);

    zvtest::expectPynmea2Accepts(composed);

    // Values that are no talker leave GPS; a later edit counts from the next load.
    const char* const invalid[] = {"PG", "G", "GPS", "G1", "", "  "};
    for (const char* value : invalid) {
        writeIni(ini, QByteArray("[Output]\r\nTalker=") + value + "\r\n");
        static_cast<QToolButton*>(h.ui().stopA)->click();
        ASSERT_TRUE(h.load(QStringLiteral("novtg.log"))) << value;
        EXPECT_EQ(h.state().outputTalker, "GP") << value;
    }
    writeIni(ini, "[output]\r\n talker = gl \r\n");
    static_cast<QToolButton*>(h.ui().stopA)->click();
    ASSERT_TRUE(h.load(QStringLiteral("novtg.log")));
    EXPECT_EQ(h.state().outputTalker, "GL");
}
