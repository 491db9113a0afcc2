#include "common/program_dir.h"
#include "common/start_mode.h"
#include "display/window/display_window.h"
#include "version.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// "--dump-readouts FILE": the read-out texts are written there when the
// program ends, for checks from outside.
QString dumpPath(const QStringList& args)
{
    const qsizetype i = args.indexOf(QStringLiteral("--dump-readouts"));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

const char* const kUsage =
    "Usage: vur [--home DIR] [--dump-readouts FILE]\n"
    "Vur is a navigation display: it reads NMEA 0183 from a serial port or the network and\n"
    "shows clock, position, speed, course, altitude, satellites, trip statistics, profiles,\n"
    "a route view and waypoint targets.\n"
    "\n"
    "  --home DIR            folder for Vur.ini, Vur.log, VUR.wpt and recordings (default: the\n"
    "                        executable's folder when it is writable and not installed, else\n"
    "                        the per-user data folder)\n"
    "  --dump-readouts FILE  write the read-out texts (Name=text lines) to FILE when the\n"
    "                        program ends, also on SIGTERM\n"
    "  --help                show this text\n"
    "  --version             show the version\n";

} // namespace

int main(int argc, char** argv)
{
    // Decided before any QApplication exists: without a display it would abort.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    switch (zv::decideStartMode(rawArguments, zv::currentStartEnvironment(), false)) {
    case zv::StartMode::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case zv::StartMode::Version:
        std::fputs("vur " ZV_VERSION_STRING "\n", stdout);
        return 0;
    case zv::StartMode::NoDisplay:
        std::fputs("vur: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not set)\n", stderr);
        return 1;
    case zv::StartMode::Headless:
    case zv::StartMode::Window:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vur"));
    vur::DisplayWindow window(zv::resolveProgramDir(QApplication::arguments()));

    // SIGTERM and SIGINT end the program the orderly way: the log is closed
    // and the read-outs are dumped.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QApplication::quit(); });
        std::signal(SIGTERM, onTerminate);
        std::signal(SIGINT, onTerminate);
    }
    const QString dump = dumpPath(QApplication::arguments());
    if (!dump.isEmpty()) {
        QObject::connect(&app, &QApplication::aboutToQuit, &window, [&window, dump] {
            QFile f(dump);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write(window.readoutsReport().toUtf8());
        });
    }
    window.show();
    return QApplication::exec();
}
