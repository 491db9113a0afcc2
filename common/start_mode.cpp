#include "common/start_mode.h"

#include <QtGlobal>

namespace zv {

namespace {

// Options whose next argument is their value, so "--load --help" loads a file
// named "--help". Qt's own -platform and -display name a display themselves.
bool takesValue(const QString& option)
{
    static const QStringList withValue{
        QStringLiteral("--home"),     QStringLiteral("--load"),     QStringLiteral("--dump-readouts"),
        QStringLiteral("-platform"),  QStringLiteral("--platform"), QStringLiteral("-display"),
        QStringLiteral("--display"),
    };
    return withValue.contains(option);
}

bool namesDisplay(const QString& option)
{
    return option == QLatin1String("-platform") || option == QLatin1String("--platform")
        || option == QLatin1String("-display") || option == QLatin1String("--display");
}

} // namespace

StartMode decideStartMode(const QStringList& arguments, const StartEnvironment& environment,
                          bool headlessAvailable)
{
    bool help = false;
    bool version = false;
    bool displayOnCommandLine = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (headlessAvailable && a == QLatin1String("--headless"))
            return StartMode::Headless;
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            help = true;
        else if (a == QLatin1String("--version"))
            version = true;
        else if (takesValue(a)) {
            displayOnCommandLine = displayOnCommandLine || (namesDisplay(a) && i + 1 < arguments.size());
            ++i;
        }
    }
    if (help)
        return StartMode::Help;
    if (version)
        return StartMode::Version;
    const bool hasDisplay = !environment.displayFromEnvironment || displayOnCommandLine
        || !environment.display.isEmpty() || !environment.waylandDisplay.isEmpty()
        || !environment.qpaPlatform.isEmpty();
    return hasDisplay ? StartMode::Window : StartMode::NoDisplay;
}

StartEnvironment currentStartEnvironment()
{
    StartEnvironment environment;
    environment.display = qEnvironmentVariable("DISPLAY");
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.qpaPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS) || defined(Q_OS_ANDROID)
    environment.displayFromEnvironment = false;
#endif
    return environment;
}

} // namespace zv
