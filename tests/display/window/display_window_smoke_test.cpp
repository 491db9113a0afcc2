#include "display/window/display_window.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(DisplayWindow, IsNamedForm1AndShowsTheVersion)
{
    QTemporaryDir home;
    vur::DisplayWindow window(home.path());
    EXPECT_EQ(window.objectName(), QStringLiteral("Form1"));
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral(ZV_TEST_VERSION)));
}
