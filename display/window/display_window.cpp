#include "display/window/display_window.h"

#include "version.h"

namespace vur {

DisplayWindow::DisplayWindow(const QString& homeDir, QWidget* parent)
    : QWidget(parent), m_homeDir(homeDir)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vur " ZV_VERSION_STRING));
}

} // namespace vur
