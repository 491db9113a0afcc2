#include "sim/replay/channels/output_port.h"
#include "sim/window/output_port_widgets.h"
#include "sim/window/sim_controls.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace zelvan;

TEST(OutputPort, FillsThePortListWithoutSelectionEventsAndShrinksItForDownload)
{
    QTemporaryDir home;
    OutputPort output(home.path(), nullptr);
    QComboBox portC;
    portC.addItem(QStringLiteral("stale"));
    QRadioButton slow, fast;
    output.setView(std::make_unique<OutputPortWidgets>(PortWidgets{&portC, nullptr, nullptr, {&slow, &fast}}));
    EXPECT_EQ(slow.text(), QStringLiteral("4800"));
    EXPECT_EQ(fast.text(), QStringLiteral("9600"));
    EXPECT_TRUE(slow.isChecked());

    QSignalSpy changed(&portC, &QComboBox::currentIndexChanged);
    output.fillPortList();
    EXPECT_TRUE(changed.isEmpty());
    ASSERT_EQ(portC.count(), kPortListSize);
    EXPECT_EQ(portC.itemText(23), QStringLiteral("TCP 1000"));
    EXPECT_EQ(portC.palette().color(QPalette::Base), qColor(portListColour()));

    output.fillDownloadPortList();
    EXPECT_TRUE(changed.isEmpty());
    ASSERT_EQ(portC.count(), kDownloadModeEntries);
    EXPECT_EQ(portC.itemText(15), QStringLiteral("COM16"));
    EXPECT_EQ(portC.palette().color(QPalette::Base), qColor(downloadPortListColour()));
}
