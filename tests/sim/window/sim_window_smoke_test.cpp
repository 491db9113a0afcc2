#include "sim/window/sim_window.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(SimWindow, IsNamedSimAndShowsTheVersion)
{
    QTemporaryDir home;
    zelvan::SimWindow window(home.path());
    EXPECT_EQ(window.objectName(), QStringLiteral("SIM"));
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral(ZV_TEST_VERSION)));
}
