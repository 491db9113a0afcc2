#include "common/program_dir.h"
#include "display/window/display_window.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vur"));
    vur::DisplayWindow window(zv::resolveProgramDir(QApplication::arguments()));
    window.show();
    return QApplication::exec();
}
