#include "common/program_dir.h"
#include "sim/window/sim_window.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvan"));
    zelvan::SimWindow window(zv::resolveProgramDir(QApplication::arguments()));
    window.show();
    return QApplication::exec();
}
