#include "sim/headless/headless_options.h"

#include "sim/replay/pacing.h"

#include <QLocale>

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
                                           QStringLiteral("--home")};
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
        "Replays an NMEA log or a track file without a window, as the window's replay does.\n"
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
        "Exit status: 0 at the end of the file or on SIGINT/SIGTERM, 1 when the file cannot\n"
        "be replayed or every output failed, 2 for a bad command line, 3 when an output\n"
        "cannot be opened.\n");
}

} // namespace zelvan
