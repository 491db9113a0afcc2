#include "common/start_mode.h"

#include <gtest/gtest.h>

namespace {

using zv::StartMode;

TEST(StartMode, HelpVersionAndAMissingDisplayAreAnsweredBeforeAnyWindow)
{
    const zv::StartEnvironment none{{}, {}, {}, true};
    const zv::StartEnvironment x11{QStringLiteral(":0"), {}, {}, true};
    const zv::StartEnvironment wayland{{}, QStringLiteral("wayland-0"), {}, true};
    const zv::StartEnvironment offscreen{{}, {}, QStringLiteral("offscreen"), true};
    const zv::StartEnvironment windows{{}, {}, {}, false};
    const struct {
        const char* what;
        QStringList arguments;
        zv::StartEnvironment environment;
        bool headlessAvailable;
        StartMode expected;
    } cases[] = {
        {"window on X11", {}, x11, true, StartMode::Window},
        {"window on Wayland", {}, wayland, false, StartMode::Window},
        {"Qt told the platform", {}, offscreen, true, StartMode::Window},
        {"-platform on the command line", {"-platform", "offscreen"}, none, false, StartMode::Window},
        {"Windows has a display", {}, windows, true, StartMode::Window},
        {"no display", {"--home", "/tmp/z"}, none, true, StartMode::NoDisplay},
        {"empty DISPLAY is none", {}, {QString(""), {}, {}, true}, false, StartMode::NoDisplay},
        {"help without a display", {"--help"}, none, true, StartMode::Help},
        {"-h", {"-h"}, x11, false, StartMode::Help},
        {"version without a display", {"--home", "d", "--version"}, none, false, StartMode::Version},
        {"help wins over version", {"--version", "--help"}, none, true, StartMode::Help},
        {"headless needs no display", {"--headless", "a.log"}, none, true, StartMode::Headless},
        {"headless answers its own help", {"--headless", "--help"}, none, true, StartMode::Headless},
        {"a program without headless", {"--headless"}, none, false, StartMode::NoDisplay},
        {"a value is not an option", {"--load", "--help"}, x11, true, StartMode::Window},
        {"--dump-readouts takes a value", {"--dump-readouts", "--version"}, x11, false, StartMode::Window},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zv::decideStartMode(c.arguments, c.environment, c.headlessAvailable), c.expected) << c.what;
}

} // namespace
