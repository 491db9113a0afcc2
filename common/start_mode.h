#pragma once
// What a program does with its command line before any window exists: a
// QApplication without a display aborts the whole process, so --help,
// --version and a missing display are answered first.
#include <QString>
#include <QStringList>

namespace zv {

enum class StartMode { Window, Headless, Help, Version, NoDisplay };

struct StartEnvironment {
    QString display;        // DISPLAY
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString qpaPlatform;    // QT_QPA_PLATFORM
    // X11 and Wayland systems find their display through the variables above;
    // Windows and macOS always have one.
    bool displayFromEnvironment = true;
};

// arguments: without the program's name. headlessAvailable: the program has a
// --headless mode, which needs no display and answers its own --help.
StartMode decideStartMode(const QStringList& arguments, const StartEnvironment& environment,
                          bool headlessAvailable);

// The variables of this process.
StartEnvironment currentStartEnvironment();

} // namespace zv
