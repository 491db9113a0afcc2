#include "common/file_names.h"
#include "common/program_dir.h"
#include "sim/headless/headless_replay.h"
#include "sim/window/sim_window.h"

#include <QApplication>
#include <QTimer>
#include <cstring>

int main(int argc, char** argv)
{
    // Without a window no QApplication may exist: it needs a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0)
            return zelvan::runHeadless(argc, argv);

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
