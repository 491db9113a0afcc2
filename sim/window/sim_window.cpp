#include "sim/window/sim_window.h"

#include "version.h"

namespace zelvan {

SimWindow::SimWindow(const QString& homeDir, QWidget* parent)
    : QWidget(parent), m_homeDir(homeDir)
{
    setObjectName(QStringLiteral("SIM"));
    setWindowTitle(QStringLiteral("Zelvan " ZV_VERSION_STRING));
}

} // namespace zelvan
