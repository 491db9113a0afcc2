#include "common/program_dir.h"
#include "display/window/display_window.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
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

} // namespace

int main(int argc, char** argv)
{
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
