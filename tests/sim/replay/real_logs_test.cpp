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
#include <QRegularExpression>
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

// Receivers that name other constellations than GPS in their talker.
const char* const kMultiConstellationLogs[] = {
    "gpsd_beidou-bd.log", "gpsd_bu353-glonass.log", "gpsd_humminbird-M37.log", "gpsd_neo-m8n.log",
    "gpsd_nmea-fuzzy-cases.log", "gpsd_quectel-eg25-g-2.log", "gpsd_skytraq-PX1172RH_DS.log",
};

// Sentence types of any talker, read here with a pattern of the test's own:
// "$", two upper-case letters of which the first is not "P", the type.
bool hasType(const QByteArray& line, const char* type, bool atStart)
{
    const QRegularExpression re((atStart ? QStringLiteral("^") : QString()) + QStringLiteral("\\$[A-OQ-Z][A-Z]")
                                + QLatin1String(type));
    return re.match(QString::fromLatin1(line)).hasMatch();
}
bool startsWithType(const QByteArray& line, const char* type) { return hasType(line, type, true); }
bool containsType(const QByteArray& line, const char* type) { return hasType(line, type, false); }

// The RMC sentence a line holds, read with a pattern of the test's own: after
// any junk, outside a "#" comment, "$", the talker, "RMC," and a time field
// that is empty or holds a digit; from its "$" on. Empty when there is none.
QByteArray heldRmc(const QByteArray& line)
{
    static const QRegularExpression re(
        QStringLiteral("^(?!#).*?(\\$[A-OQ-Z][A-Z]RMC,(?:[^,*$]*[0-9][^,*$]*)?(?:[,*].*)?)$"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(line));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

bool logHasVtg(const QString& name)
{
    for (const QByteArray& l : zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name)))
        if (containsType(l, "VTG"))
            return true;
    return false;
}

struct Replayed {
    QList<QByteArray> sent;
    std::int32_t recordTotal = 0;
    std::int32_t gaugeMax = 0;
    std::int32_t lastIndex = 0;
    bool loaded = false;
    int messages = 0;          // message boxes shown
    int ticksNotOneRmc = 0;    // ticks that sent other than exactly one RMC
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
        const qsizetype before = h.channel.sent.size();
        h.runTick();
        qsizetype rmcs = 0;
        for (qsizetype i = before; i < h.channel.sent.size(); ++i)
            rmcs += containsType(h.channel.sent[i], "RMC") ? 1 : 0;
        if (rmcs != 1)
            ++r.ticksNotOneRmc;
    }
    r.sent = h.channel.sent;
    r.messages = int(h.dialogs.shown.size());
    return r;
}

// Lines of the file from its first line that begins with an RMC on.
QByteArrayList linesFromFirstRmc(const QString& name)
{
    const QByteArrayList all = zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name));
    QByteArrayList out;
    bool started = false;
    for (const QByteArray& l : all) {
        if (!started && !heldRmc(l).isEmpty())
            started = true;
        if (started)
            out << l;
    }
    return out;
}

// Where two line lists part, for a readable failure.
std::string firstDifference(const QByteArrayList& got, const QByteArrayList& expected)
{
    for (qsizetype i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const QByteArray g = i < got.size() ? got[i] : "(none)";
        const QByteArray e = i < expected.size() ? expected[i] : "(none)";
        if (g != e)
            return "line " + std::to_string(i) + ": got " + g.toStdString() + ", expected " + e.toStdString();
    }
    return "same";
}

bool composedByUs(const QByteArray& s)
{
    return s == kFixedPgrmm || s.startsWith("$GPVTG,");
}

} // namespace

TEST(RealLogs, EveryRmcGoesOutOnceAndInOrder)
{
    for (const char* log : kLogs) {
        const QString name = QString::fromLatin1(log);
        const Replayed r = replayWhole(name);
        const QByteArrayList lines = linesFromFirstRmc(name);
        // Each from its "$" on: junk before it stays behind.
        QByteArrayList expected;
        for (const QByteArray& l : lines)
            if (const QByteArray rmc = heldRmc(l); !rmc.isEmpty())
                expected << rmc;
        QByteArrayList got;
        for (const QByteArray& s : r.sent)
            if (containsType(s, "RMC"))
                got << s;
        EXPECT_EQ(r.loaded, !expected.isEmpty()) << log;
        EXPECT_TRUE(got == expected) << log << ": " << firstDifference(got, expected);
        // Record count and gauge agree with the file: records are the lines
        // holding an RMC, those the replay sends.
        qsizetype rmcLines = 0;
        for (const QByteArray& l : zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name)))
            rmcLines += heldRmc(l).isEmpty() ? 0 : 1;
        if (r.loaded) {
            EXPECT_EQ(r.recordTotal, rmcLines + 1) << log;
            EXPECT_EQ(r.gaugeMax, r.recordTotal) << log;
            EXPECT_EQ(r.lastIndex, expected.size() - 1) << log;
            // Epoch by epoch: each tick opens with one RMC and sends no other.
            EXPECT_EQ(r.ticksNotOneRmc, 0) << log;
            EXPECT_EQ(r.messages, 0) << log;
        }
    }
}

TEST(RealLogs, MultiConstellationReceiversReplayLikeGpsOnlyOnes)
{
    for (const char* log : kMultiConstellationLogs) {
        const QString name = QString::fromLatin1(log);
        const Replayed r = replayWhole(name);
        EXPECT_TRUE(r.loaded) << log;
        EXPECT_EQ(r.messages, 0) << log << ": no \"No RMC or GGA-Data\"";
        // Some RMC, or some other line, of a talker other than GP went out unchanged.
        const QByteArrayList lines = zv::splitTextLines(zvtest::readTestData(QStringLiteral("replay/") + name));
        bool otherTalker = false;
        for (const QByteArray& s : r.sent)
            if (!s.startsWith("$GP") && !s.startsWith("$P") && lines.contains(s))
                otherTalker = true;
        EXPECT_TRUE(otherTalker) << log;
        EXPECT_GT(r.recordTotal, 3) << log;
    }
}

TEST(RealLogs, PassedLinesAreExactlyThoseOfTheSelectedTypes)
{
    struct Choice {
        const char* button; // "Command1" or "RMCRMB"
        std::function<bool(const QByteArray&)> selected;
    };
    const Choice choices[] = {
        // Every sentence of any talker, and makers' own, but the RMC that opens each epoch.
        {"Command1",
         [](const QByteArray& l) {
             const bool talker = hasType(l, "", true);
             return (l.startsWith("$G") || l.startsWith("$P") || talker) && !l.startsWith("$PHSMI")
                 && !containsType(l, "RMC") && l.size() <= kMaxPassedLine;
         }},
        // GGA of every talker: "$GPGGA" and "$GNGGA" in one epoch both go out.
        {"RMCRMB", [](const QByteArray& l) { return startsWithType(l, "GGA"); }},
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
                if (!containsType(l, "RMC") && choice.selected(l))
                    expected << l;
            QByteArrayList got;
            for (const QByteArray& s : r.sent)
                if (!containsType(s, "RMC") && !composedByUs(s))
                    got << s;
            // A log's own VTG lines are passed, ours are synthesised: compare the others.
            if (QByteArray(choice.button) == "Command1") {
                if (logHasVtg(name)) {
                    got.clear();
                    for (const QByteArray& s : r.sent)
                        if (!containsType(s, "RMC") && s != kFixedPgrmm)
                            got << s;
                }
            }
            EXPECT_TRUE(got == expected) << log << " " << choice.button << ": " << firstDifference(got, expected);
        }
    }
}

TEST(RealLogs, ComposedSentencesPassAnIndependentParser)
{
    QByteArrayList composed;
    for (const char* log : kLogs) {
        const QString name = QString::fromLatin1(log);
        const bool hasVtg = logHasVtg(name);
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
                const bool ours = s == kFixedPgrmm || (!hasVtg && s.startsWith("$GPVTG"))
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
