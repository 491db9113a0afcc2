// The headless command line: what each option sets, and the message for
// each kind of mistake.
#include "sim/headless/headless_options.h"
#include "sim/headless/terminal_dialogs.h"

#include <gtest/gtest.h>

using namespace zelvan;

namespace {

HeadlessParse parse(const char* line)
{
    return parseHeadlessOptions(QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

} // namespace

TEST(HeadlessOptions, DefaultsAreTheWindowsStartState)
{
    const HeadlessParse p = parse("--headless a.log");
    ASSERT_TRUE(p.options) << p.error.toStdString();
    const HeadlessOptions& o = *p.options;
    EXPECT_EQ(o.file, QStringLiteral("a.log"));
    EXPECT_EQ(o.paceIndex, 4); // "1 s"
    EXPECT_FALSE(o.fileFactor);
    EXPECT_EQ(o.data, (std::array<bool, 7>{true, true, true, true, true, true, true}));
    EXPECT_FALSE(o.equ || o.autoSkip || o.loop || o.quiet);
    EXPECT_EQ(o.startRecord, 0);
    ASSERT_EQ(o.outputs.size(), 1);
    EXPECT_EQ(o.outputs[0].kind, OutputTarget::Kind::Stdout);
}

TEST(HeadlessOptions, EveryOptionTakesEffect)
{
    const HeadlessParse p = parse("--headless --pace x4 --select rmc,GGA --equ --autoskip --loop --start 25 "
                                  "--output tcp:10110 --output=- --home /tmp/zh --quiet --time now "
                                  "--faults=checksum=0.01,fixloss=2min+30s --seed 7 --verbose track.trk");
    ASSERT_TRUE(p.options) << p.error.toStdString();
    const HeadlessOptions& o = *p.options;
    EXPECT_EQ(o.paceIndex, 1);
    EXPECT_EQ(o.data, (std::array<bool, 7>{true, true, false, false, false, false, false}));
    EXPECT_TRUE(o.equ && o.autoSkip && o.loop && o.quiet);
    EXPECT_EQ(o.startRecord, 25);
    ASSERT_EQ(o.outputs.size(), 2);
    EXPECT_EQ(o.outputs[0].port, 10110);
    EXPECT_EQ(o.outputs[1].kind, OutputTarget::Kind::Stdout);
    EXPECT_EQ(o.home, QStringLiteral("/tmp/zh"));
    EXPECT_EQ(o.file, QStringLiteral("track.trk"));
    EXPECT_EQ(o.rig.time.mode, TimeMode::Now);
    ASSERT_TRUE(o.rig.faults);
    EXPECT_EQ(o.rig.faults->checksum, 0.01);
    EXPECT_EQ(o.rig.faults->fixLoss, (QList<FixLossPeriod>{{120'000, 30'000}}));
    EXPECT_EQ(o.rig.seed, 7u);
    // The same setting as the window's rig button shows it.
    EXPECT_EQ(rigCaption(o.rig), QStringLiteral("Rig: now, faults"));
    EXPECT_EQ(rigArguments(o.rig), QStringLiteral("--time now --faults checksum=0.01,fixloss=120s+30s --seed 7"));
    EXPECT_TRUE(o.verbose);
}

TEST(HeadlessOptions, PaceChoices)
{
    struct Case {
        const char* text;
        std::optional<int> index;
        std::optional<double> factor;
    } cases[] = {
        {"x8", 0, {}},   {"x4", 1, {}},   {"x2", 2, {}},        {"cont", 3, {}},      {"1s", 4, {}},
        {"2s", 5, {}},   {"4s", 6, {}},   {"8s", 7, {}},        {"1 s", 4, {}},       {"CONT", 3, {}},
        {"file", 4, 1.0}, {"file:2.5", 4, 2.5}, {"file:0.1", 4, 0.1}, {"file:100", 4, 100.0},
    };
    for (const Case& c : cases) {
        const auto pace = parsePace(QString::fromLatin1(c.text));
        ASSERT_TRUE(pace) << c.text;
        EXPECT_EQ(pace->index, *c.index) << c.text;
        EXPECT_EQ(pace->fileFactor, c.factor) << c.text;
    }
    for (const char* bad : {"3s", "x16", "file:0.05", "file:101", "file:", "file:fast", "file:1,5", ""})
        EXPECT_FALSE(parsePace(QString::fromLatin1(bad))) << bad;
}

TEST(HeadlessOptions, MistakesAreNamed)
{
    struct Case {
        const char* line;
        const char* inError;
    } cases[] = {
        {"--headless", "no file"},
        {"a.log b.log", "one file"},
        {"--pace 3s a.log", "--pace"},
        {"--select RMC,XYZ a.log", "XYZ"},
        {"--select a.log", "none of RMC"}, // the value is taken, the file is then missing
        {"--start -1 a.log", "--start"},
        {"--start ten a.log", "--start"},
        {"--output serial a.log", "--output: unknown output"},
        {"--output", "needs a value"},
        {"--loop=yes a.log", "takes no value"},
        {"--fast a.log", "unknown option --fast"},
        {"--home= a.log", "--home"},
        {"--time soon a.log", "--time: \"soon\" is none of file, now or an ISO 8601"},
        {"--faults drop=2 a.log", "--faults: drop: \"2\" is no rate"},
        {"--seed -1 a.log", "--seed: \"-1\" is no whole number"},
        {"--verbose=yes a.log", "--verbose takes no value"},
        {"--faults", "--faults needs a value"},
        {"--route r.gpx", "--route needs --speed"},
        {"--route r.gpx --speed 20mph", "--speed: \"20mph\" is no speed"},
        {"--route r.gpx --speed -3kn", "more than 0"},
        {"--route r.gpx --speed 0", "more than 0"},
        {"--route r.gpx --speed 1e300", "no speed to simulate"},
        {"--route r.gpx --speed 20kn a.log", "--route takes the place of a file"},
        {"--speed 20kn a.log", "give --route FILE too"},
        {"--route r.gpx --speed 5 --pace file", "--pace file has no times"},
        {"--route r.gpx --speed 5 --start 3", "not for a route"},
    };
    for (const Case& c : cases) {
        const HeadlessParse p = parse(c.line);
        EXPECT_FALSE(p.options) << c.line;
        EXPECT_TRUE(p.error.contains(QString::fromLatin1(c.inError))) << c.line << ": " << p.error.toStdString();
    }
}

TEST(HeadlessOptions, RouteSpeedsInTheirUnits)
{
    struct Case {
        const char* text;
        double mps;
    } cases[] = {{"36", 10}, {"36kmh", 10}, {"36 km/h", 10}, {"20kn", 20 * 1852 / 3600.0}, {"20KT", 20 * 1852 / 3600.0},
                 {"10ms", 10}, {"2.5m/s", 2.5}};
    for (const Case& c : cases) {
        const auto speed = parseSpeed(QString::fromLatin1(c.text));
        ASSERT_TRUE(speed) << c.text;
        EXPECT_NEAR(*speed, c.mps, 1e-9) << c.text;
    }
    const HeadlessParse p = parse("--route r.gpx --speed=20kn --pace cont --loop");
    ASSERT_TRUE(p.options) << p.error.toStdString();
    EXPECT_EQ(p.options->route, QStringLiteral("r.gpx"));
    EXPECT_TRUE(p.options->file.isEmpty());
    EXPECT_EQ(p.options->paceIndex, 3);
    EXPECT_TRUE(p.options->loop);
    EXPECT_EQ(p.options->outputs.size(), 1);
}

TEST(HeadlessOptions, HelpAndVersionNeedNoFile)
{
    EXPECT_TRUE(parse("--headless --help").options->help);
    EXPECT_TRUE(parse("--version").options->version);
    // A file name that begins with a dash follows "--".
    EXPECT_EQ(parse("-- -odd.log").options->file, QStringLiteral("-odd.log"));
}

TEST(TerminalDialogs, MessagesGoOutAndQuestionsGetTheSafeAnswer)
{
    QStringList lines;
    TerminalDialogs dialogs([&lines](const QString& l) { lines << l; });
    using D = zv::Dialogs;
    EXPECT_EQ(dialogs.message(QStringLiteral("No RMC or GGA-Data"), QStringLiteral(" Data-Error !"), D::Icon::Critical,
                              D::Buttons::Ok),
              D::Answer::Ok);
    EXPECT_EQ(lines.last(), QStringLiteral("Data-Error !: No RMC or GGA-Data"));
    EXPECT_EQ(dialogs.message(QStringLiteral("Delete?"), QStringLiteral("File"), D::Icon::Question, D::Buttons::YesNo),
              D::Answer::No);
    EXPECT_EQ(dialogs.message(QStringLiteral("Save?"), {}, D::Icon::Question, D::Buttons::YesNoCancel),
              D::Answer::Cancel);
    EXPECT_EQ(dialogs.message(QStringLiteral("Go?"), {}, D::Icon::Question, D::Buttons::OkCancel), D::Answer::Cancel);
    bool ok = true;
    EXPECT_TRUE(dialogs.input(QStringLiteral("Name"), QStringLiteral("Rename"), QStringLiteral("a"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(lines.size(), 5);
}
