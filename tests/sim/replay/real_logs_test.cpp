// Real receiver logs replayed end to end: a few against golden files checked
// by hand, all against what an independent reading of the log says.
#include "replay_harness.h"

#include "common/nmea.h"
#include "common/text_lines.h"
#include "sim/replay/replay_core.h"
#include "sim/window/gauges.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

const char* const kLogs[] = {
    "gpsd_GPSmap-76S.log",     "gpsd_beidou-bd.log",       "gpsd_bu353-glonass.log",
    "gpsd_foretrex-201.log",   "gpsd_garmin-geko201.log",  "gpsd_gp-320fw-2019-04-07-coldboot.log",
    "gpsd_humminbird-M37.log", "gpsd_magellan-ec10.log",   "gpsd_mtk-3301.log",
    "gpsd_neo-m8n.log",        "gpsd_nmea-fuzzy-cases.log", "gpsd_quectel-eg25-g-2.log",
    "gpsd_skytraq-PX1172RH_DS.log",
};

struct Replayed {
    QList<QByteArray> sent;
    std::int32_t recordTotal = 0;
    std::int32_t gaugeMax = 0;
    std::int32_t lastIndex = 0;
    bool loaded = false;
};

Replayed replayWhole(const QString& name, const std::function<void(ReplayHarness&)>& setup = {})
{
    ReplayHarness h;
    Replayed r;
    h.addFile(name, zvtest::readTestData(QStringLiteral("replay/") + name));
    if (!h.select(name))
        return r;
    if (setup)
        setup(h);
    h.loader().loadSelectedFile();
    r.loaded = h.state().replayActive;
    r.recordTotal = h.state().recordTotal;
    r.gaugeMax = h.ui().gauge2->maximum();
    while (h.state().replayActive) {
        r.lastIndex = h.state().recordIndex;
        h.runTick();
    }
    r.sent = h.channel.sent;
    return r;
}

// Lines of the file from its first line that begins with "$GPRMC" on.
QByteArrayList linesFromFirstRmc(const QString& name)
{
    const QByteArrayList all = zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name));
    QByteArrayList out;
    bool started = false;
    for (const QByteArray& l : all) {
        if (!started && l.startsWith("$GPRMC"))
            started = true;
        if (started)
            out << l;
    }
    return out;
}

bool composedByUs(const QByteArray& s)
{
    return s == kFixedPgrmm || s.startsWith("$GPVTG,") ;
}

} // namespace

TEST(RealLogs, EveryRmcGoesOutOnceAndInOrder)
{
    for (const char* log : kLogs) {
        const QString name = QString::fromLatin1(log);
        const Replayed r = replayWhole(name);
        const QByteArrayList lines = linesFromFirstRmc(name);
        QByteArrayList expected;
        for (const QByteArray& l : lines)
            if (l.contains("$GPRMC"))
                expected << l;
        QByteArrayList got;
        for (const QByteArray& s : r.sent)
            if (s.contains("$GPRMC"))
                got << s;
        EXPECT_EQ(r.loaded, !expected.isEmpty()) << log;
        EXPECT_EQ(got, expected) << log;
        // Record count and gauge agree with the file.
        // Records: the RMC sentences, plus the GGA sentences before the first RMC.
        qsizetype rmcLines = 0;
        for (const QByteArray& l : zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name))) {
            if (l.contains("$GPRMC"))
                ++rmcLines;
            else if (l.contains("$GPGGA") && rmcLines == 0)
                ++rmcLines;
        }
        if (r.loaded) {
            EXPECT_EQ(r.recordTotal, rmcLines + 1) << log;
            EXPECT_EQ(r.gaugeMax, r.recordTotal) << log;
            EXPECT_EQ(r.lastIndex, expected.size() - 1) << log;
        }
    }
}

TEST(RealLogs, PassedLinesAreExactlyThoseOfTheSelectedTypes)
{
    struct Choice {
        const char* button; // "Command1" or "RMCRMB"
        std::function<bool(const QByteArray&)> selected;
    };
    const Choice choices[] = {
        {"Command1",
         [](const QByteArray& l) {
             return (l.startsWith("$G") || l.startsWith("$P")) && !l.startsWith("$PHSMI") && !l.contains("$GPRMC")
                 && l.size() <= kMaxPassedLine;
         }},
        {"RMCRMB", [](const QByteArray& l) { return l.startsWith("$GPGGA"); }},
    };
    for (const Choice& choice : choices) {
        for (const char* log : kLogs) {
            const QString name = QString::fromLatin1(log);
            const Replayed r = replayWhole(name, [&](ReplayHarness& h) {
                h.window->findChild<QPushButton*>(QString::fromLatin1(choice.button))->click();
            });
            if (!r.loaded)
                continue;
            QByteArrayList expected;
            for (const QByteArray& l : linesFromFirstRmc(name))
                if (!l.contains("$GPRMC") && choice.selected(l))
                    expected << l;
            QByteArrayList got;
            for (const QByteArray& s : r.sent)
                if (!s.contains("$GPRMC") && !composedByUs(s))
                    got << s;
            // A log's own VTG lines are passed, ours are synthesised: compare the others.
            if (QByteArray(choice.button) == "Command1") {
                const bool logHasVtg = zvtest::readTestData(QStringLiteral("replay/") + name).contains("$GPVTG");
                if (logHasVtg) {
                    got.clear();
                    for (const QByteArray& s : r.sent)
                        if (!s.contains("$GPRMC") && s != kFixedPgrmm)
                            got << s;
                }
            }
            EXPECT_EQ(got, expected) << log << " " << choice.button;
        }
    }
}

TEST(RealLogs, ComposedSentencesPassAnIndependentParser)
{
    QByteArrayList composed;
    for (const char* log : kLogs) {
        const QString name = QString::fromLatin1(log);
        const bool logHasVtg = zvtest::readTestData(QStringLiteral("replay/") + name).contains("$GPVTG");
        // Equ rewrites GGA and GLL; pausing composes GGA and VTG anew.
        ReplayHarness h;
        h.addFile(name, zvtest::readTestData(QStringLiteral("replay/") + name));
        if (!h.load(name))
            continue;
        h.ui().equ->setChecked(true);
        const QByteArrayList lines = zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name));
        int ticks = 0;
        while (h.state().replayActive) {
            h.channel.sent.clear();
            if (ticks == 3)
                h.ui().pause->setChecked(true);
            if (ticks == 5)
                h.ui().pause->setChecked(false);
            h.runTick();
            ++ticks;
            for (const QByteArray& s : h.channel.sent) {
                const bool ours = s == kFixedPgrmm || (!logHasVtg && s.startsWith("$GPVTG"))
                    || !lines.contains(s);
                if (ours)
                    composed << s;
            }
        }
    }
    ASSERT_GT(composed.size(), 50);
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    for (const QByteArray& s : composed) {
        EXPECT_TRUE(zv::hasValidChecksum(s)) << s.constData();
        file.write(s + "\n");
    }
    file.flush();
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import sys, pynmea2\n"
                             "bad = 0\n"
                             "for line in open(sys.argv[1]):\n"
                             "    try:\n"
                             "        pynmea2.parse(line.strip(), check=True)\n"
                             "    except Exception as e:\n"
                             "        bad += 1; print(line.strip(), e)\n"
                             "sys.exit(1 if bad else 0)\n"),
              file.fileName()});
    ASSERT_TRUE(py.waitForFinished(60000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardOutput().constData() << py.readAllStandardError().constData();
}

TEST(RealLogs, GoldenReplaysCheckedByHand)
{
    const char* golden[] = {"gpsd_garmin-geko201.log", "gpsd_magellan-ec10.log"};
    for (const char* log : golden) {
        const QString name = QString::fromLatin1(log);
        const Replayed r = replayWhole(name);
        QByteArray got;
        for (const QByteArray& s : r.sent)
            got += s + "\r\n";
        const QString goldenPath = QStringLiteral("replay/golden/") + name + QStringLiteral(".out");
        if (qEnvironmentVariableIsSet("ZV_UPDATE_GOLDEN")) {
            QDir().mkpath(QStringLiteral(ZV_TEST_DATA_DIR "/replay/golden"));
            QFile f(QStringLiteral(ZV_TEST_DATA_DIR "/") + goldenPath);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(got);
            continue;
        }
        EXPECT_EQ(got, zvtest::readTestData(goldenPath)) << log;
    }
}
