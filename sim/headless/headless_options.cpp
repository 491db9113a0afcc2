#include "sim/headless/headless_options.h"

#include "sim/replay/pacing.h"

#include <QLocale>
#include <cmath>

namespace zelvan {

namespace {

const char* const kDataNames[7] = {"RMC", "GGA", "VTG", "RMB", "GSA", "GSV", "OTH"};
const char* const kPaceNames[8] = {"x8", "x4", "x2", "cont", "1s", "2s", "4s", "8s"};

} // namespace

std::optional<PaceChoice> parsePace(const QString& text)
{
    QString t = text.toLower();
    t.remove(QLatin1Char(' '));
    for (int i = 0; i < 8; ++i)
        if (t == QLatin1String(kPaceNames[i]))
            return PaceChoice{i, std::nullopt};
    if (t == QLatin1String("file"))
        return PaceChoice{4, 1.0};
    if (t.startsWith(QLatin1String("file:"))) {
        bool ok = false;
        const double factor = QLocale::c().toDouble(t.mid(5), &ok);
        if (!ok || factor < kMinFileFactor || factor > kMaxFileFactor)
            return std::nullopt;
        return PaceChoice{4, factor};
    }
    return std::nullopt;
}

std::optional<double> parseSpeed(const QString& text, QString* error)
{
    // The longest names first: "kmh" ends in "h", "m/s" in "s".
    static const std::pair<const char*, double> units[] = {
        {"km/h", 1 / 3.6}, {"kmh", 1 / 3.6}, {"kn", 1852 / 3600.0}, {"kt", 1852 / 3600.0}, {"m/s", 1.0}, {"ms", 1.0}};
    // Fast enough for any vehicle that carries a receiver, slow enough to stay finite.
    constexpr double kMaxMps = 10'000;
    const QString t = text.trimmed().toLower();
    QString number = t;
    double factor = 1 / 3.6;
    for (const auto& [name, f] : units) {
        if (t.endsWith(QLatin1String(name))) {
            number = t.chopped(qsizetype(qstrlen(name))).trimmed();
            factor = f;
            break;
        }
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    QString why;
    if (!ok)
        why = QStringLiteral("\"%1\" is no speed: a number with kn, kmh (the default) or ms after it, "
                             "such as 20kn, 36kmh or 10ms").arg(text);
    else if (!(value > 0))
        why = QStringLiteral("\"%1\": the speed must be more than 0").arg(text);
    else if (!std::isfinite(value * factor) || value * factor > kMaxMps)
        why = QStringLiteral("\"%1\": more than %2 m/s is no speed to simulate").arg(text).arg(kMaxMps);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return value * factor;
}

HeadlessParse parseHeadlessOptions(const QStringList& arguments)
{
    HeadlessOptions o;
    QStringList files;
    auto fail = [](const QString& message) { return HeadlessParse{std::nullopt, message}; };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == QLatin1String("--headless"))
            continue;
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            if (arg == QLatin1String("--")) {
                files += arguments.mid(i + 1);
                break;
            }
            files << arg;
            continue;
        }
        QString value;
        bool inlineValue = false;
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            inlineValue = true;
        }
        // Live time and injected faults.
        if (arg == QLatin1String("--verbose")) {
            if (inlineValue)
                return fail(QStringLiteral("--verbose takes no value"));
            o.verbose = true;
            continue;
        }
        if (arg == QLatin1String("--time") || arg == QLatin1String("--faults") || arg == QLatin1String("--seed")) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size())
                    return fail(QStringLiteral("%1 needs a value").arg(arg));
                value = arguments[++i];
            }
            QString error;
            if (!setRigOption(o.rig, arg.mid(2), value, &error))
                return fail(arg + QStringLiteral(": ") + error);
            continue;
        }

        static const QStringList flags = {QStringLiteral("--equ"),   QStringLiteral("--autoskip"),
                                          QStringLiteral("--loop"),  QStringLiteral("--quiet"),
                                          QStringLiteral("--help"),  QStringLiteral("--version")};
        static const QStringList valued = {QStringLiteral("--pace"), QStringLiteral("--select"),
                                           QStringLiteral("--start"), QStringLiteral("--output"),
                                           QStringLiteral("--home"),  QStringLiteral("--route"),
                                           QStringLiteral("--speed")};
        if (flags.contains(arg)) {
            if (inlineValue)
                return fail(QStringLiteral("%1 takes no value").arg(arg));
            if (arg == QLatin1String("--equ"))
                o.equ = true;
            else if (arg == QLatin1String("--autoskip"))
                o.autoSkip = true;
            else if (arg == QLatin1String("--loop"))
                o.loop = true;
            else if (arg == QLatin1String("--quiet"))
                o.quiet = true;
            else if (arg == QLatin1String("--help"))
                o.help = true;
            else
                o.version = true;
            continue;
        }
        if (!valued.contains(arg))
            return fail(QStringLiteral("unknown option %1").arg(arg));
        if (!inlineValue) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("%1 needs a value").arg(arg));
            value = arguments[++i];
        }
        if (arg == QLatin1String("--pace")) {
            const auto pace = parsePace(value);
            if (!pace)
                return fail(QStringLiteral("--pace: \"%1\" is none of x8, x4, x2, cont, 1s, 2s, 4s, 8s, "
                                           "file[:FACTOR] (FACTOR 0.1..100)")
                                .arg(value));
            o.paceIndex = pace->index;
            o.fileFactor = pace->fileFactor;
        } else if (arg == QLatin1String("--route")) {
            if (value.isEmpty())
                return fail(QStringLiteral("--route needs a file"));
            o.route = value;
        } else if (arg == QLatin1String("--speed")) {
            QString error;
            const auto speed = parseSpeed(value, &error);
            if (!speed)
                return fail(QStringLiteral("--speed: ") + error);
            o.speedMps = *speed;
        } else if (arg == QLatin1String("--select")) {
            std::array<bool, 7> data{};
            const QStringList names = value.split(QLatin1Char(','));
            for (const QString& raw : names) {
                const QString name = raw.trimmed().toUpper();
                int found = -1;
                for (int d = 0; d < 7; ++d)
                    if (name == QLatin1String(kDataNames[d]))
                        found = d;
                if (found < 0)
                    return fail(QStringLiteral("--select: \"%1\" is none of RMC, GGA, VTG, RMB, GSA, GSV, OTH")
                                    .arg(raw.trimmed()));
                data[size_t(found)] = true;
            }
            o.data = data;
        } else if (arg == QLatin1String("--start")) {
            bool ok = false;
            const qlonglong n = value.toLongLong(&ok);
            if (!ok || n < 0 || n > INT32_MAX)
                return fail(QStringLiteral("--start: \"%1\" is no record number").arg(value));
            o.startRecord = std::int32_t(n);
        } else if (arg == QLatin1String("--output")) {
            QString error;
            const auto target = parseOutputTarget(value, &error);
            if (!target)
                return fail(QStringLiteral("--output: ") + error);
            o.outputs << *target;
        } else { // --home
            if (value.isEmpty())
                return fail(QStringLiteral("--home needs a folder"));
            o.home = value;
        }
    }
    if (o.help || o.version)
        return {o, {}};
    if (!o.route.isEmpty()) {
        if (!files.isEmpty())
            return fail(QStringLiteral("--route takes the place of a file to replay (%1)").arg(files.join(QStringLiteral(", "))));
        if (o.speedMps <= 0)
            return fail(QStringLiteral("--route needs --speed, e.g. --speed 20kn"));
        if (o.fileFactor)
            return fail(QStringLiteral("--pace file has no times to follow on a route: choose x8, x4, x2, cont, 1s, 2s, 4s or 8s"));
        if (o.startRecord > 0 || o.autoSkip || o.equ)
            return fail(QStringLiteral("--start, --autoskip and --equ are for replayed files, not for a route"));
        if (o.outputs.isEmpty())
            o.outputs << OutputTarget{};
        return {o, {}};
    }
    if (o.speedMps > 0)
        return fail(QStringLiteral("--speed is the speed along a route: give --route FILE too"));
    if (files.isEmpty())
        return fail(QStringLiteral("no file to replay given"));
    if (files.size() > 1)
        return fail(QStringLiteral("one file to replay, not %1 (%2)").arg(files.size()).arg(files.join(QStringLiteral(", "))));
    o.file = files.first();
    if (o.outputs.isEmpty())
        o.outputs << OutputTarget{};
    return {o, {}};
}

QString headlessUsage()
{
    return QStringLiteral(
        "Usage: zelvan --headless FILE [options]\n"
        "       zelvan --headless --route FILE --speed SPEED [options]\n"
        "Replays an NMEA log or a track file without a window, as the window's replay does,\n"
        "or moves along a route at a set speed.\n"
        "\n"
        "  --pace P        x8, x4, x2, cont, 1s (default), 2s, 4s, 8s, or file[:FACTOR]:\n"
        "                  at the file's own times, FACTOR (0.1..100) times as fast\n"
        "  --select LIST   sentences passed on: RMC,GGA,VTG,RMB,GSA,GSV,OTH (default all)\n"
        "  --equ           all sentences of an epoch with the RMC's time and position\n"
        "  --autoskip      pass over standstill (NMEA logs)\n"
        "  --loop          start again at the end of the file\n"
        "  --start N       begin at record N (counted from 0: 1 is the second record)\n"
        "  --output TARGET   where sentences go, repeatable (default -):\n"
        "                  -  tcp[:PORT]  tcp:ADDRESS:PORT  tcp-client:HOST:PORT  udp:HOST[:PORT]\n"
        "                  pty[:LINK]  COMn  LPTn  or a serial device path\n"
        "                  (tcp without an address listens on every address of the computer)\n"
        "  --route FILE    follow the points of FILE instead of replaying it: a GPX route, a GPX\n"
        "                  or KML track, GPX waypoints, a track file, or lines \"lat,lon\" in\n"
        "                  decimal degrees (blank lines and # comments allowed); great circles\n"
        "                  between the points, RMC GGA VTG GSA GSV every epoch, the run ends\n"
        "                  at the last point (--loop: from the first point again)\n"
        "  --speed SPEED   along the route: a number with kn, kmh (default) or ms, e.g. 20kn.\n"
        "                  An epoch covers the pace's period of motion and is sent after it\n"
        "                  (1s..8s); cont sends 1 s of motion every 100 ms, x2, x4 and x8\n"
        "                  send 2, 4 and 8 s of it every 100 ms\n"
        "  --home DIR      program folder (Zelvan.ini: [Devices], [TCP] Port and Address,\n"
        "                  [Output] Talker)\n"
        "  --time T        the time the sentences carry: file (default), now (the first\n"
        "                  epoch gets the current UTC time, later ones keep their distance\n"
        "                  from it) or an ISO 8601 UTC instant such as 2024-05-01T12:00:00Z\n"
        "  --faults LIST   a receiver that misbehaves, items separated by commas:\n"
        "                  checksum=RATE drop=RATE dropepoch=RATE truncate=RATE garbage=RATE\n"
        "                  talker=RATE jump=RATE:DISTANCE latency=RATE:TIME fixloss=START+LENGTH\n"
        "                  (RATE 0..1 or N%, per sentence; dropepoch, jump, latency per epoch;\n"
        "                  times on the sentences' clock from the first epoch)\n"
        "  --seed N        the faults' random seed: the same seed, the same bytes\n"
        "  --verbose       every injected fault (when, what, which sentence) and the live time\n"
        "                  offset on standard error\n"
        "  --quiet         no progress on standard error\n"
        "  --help, --version\n"
        "\n"
        "Exit status: 0 at the end of the file or route or on SIGINT/SIGTERM, 1 when the\n"
        "file cannot be replayed (or gives no route) or every output failed, 2 for a bad\n"
        "command line, 3 when an output cannot be opened.\n");
}

} // namespace zelvan
