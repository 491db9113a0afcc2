#include "common/file_names.h"
#include "common/program_dir.h"
#include "common/start_mode.h"
#include "sim/headless/headless_options.h"
#include "sim/headless/headless_replay.h"
#include "sim/window/sim_window.h"
#include "version.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace {

QString usage()
{
    return QStringLiteral(
               "Usage: zelvan [--home DIR] [--load FILE]\n"
               "       zelvan --headless FILE [options]\n"
               "       zelvan --headless --route FILE --speed SPEED [options]\n"
               "Zelvan simulates a GPS receiver: it replays NMEA logs and track files, or a position\n"
               "steered by hand, as NMEA 0183 to a serial port, TCP clients, a printer port or direct\n"
               "port writes; it downloads a Garmin receiver's track log and records positions.\n"
               "\n"
               "  --home DIR       folder for Zelvan.ini, Tracks/ and recordings (default: the\n"
               "                   executable's folder when it is writable and not installed, else\n"
               "                   the per-user data folder)\n"
               "  --load FILE      replay FILE at once, as a click in the file list would\n"
               "  --headless FILE  replay without a window (no display needed), or follow a route\n"
               "                   (--route), options below\n"
               "  --help           show this text\n"
               "  --version        show the version\n"
               "\n")
        + zelvan::headlessUsage();
}

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

int main(int argc, char** argv)
{
    // Decided before any QApplication exists: without a display it would abort.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    switch (zv::decideStartMode(rawArguments, zv::currentStartEnvironment(), true)) {
    case zv::StartMode::Headless:
        return zelvan::runHeadless(argc, argv);
    case zv::StartMode::Help:
        print(stdout, usage());
        return 0;
    case zv::StartMode::Version:
        print(stdout, QStringLiteral("zelvan " ZV_VERSION_STRING "\n"));
        return 0;
    case zv::StartMode::NoDisplay:
        print(stderr, QStringLiteral("zelvan: no display to open a window on (DISPLAY and WAYLAND_DISPLAY "
                                     "are not set); replay without a window: zelvan --headless FILE "
                                     "(see zelvan --headless --help)\n"));
        return 1;
    case zv::StartMode::Window:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvan"));
    // File names as the system gives them (QApplication's own list loses the bytes of names that are not UTF-8).
    const QStringList args = zv::commandLineArguments(argc, argv);
    zelvan::SimWindow window(zv::resolveProgramDir(args));
    window.show();
    // --load FILE: replay that file at once, as a click in the file list would.
    const qsizetype load = args.indexOf(QStringLiteral("--load"));
    if (load > 0 && load + 1 < args.size())
        QTimer::singleShot(0, &window, [&window, file = args.at(load + 1)] { window.loadFile(file); });
    return QApplication::exec();
}
