#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/port_list.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

TEST(PortList, HoldsTheEntriesInOrderWithTheStoredIndexesUnmoved)
{
    const QStringList entries = portListEntries();
    ASSERT_EQ(entries.size(), kPortListSize);
    EXPECT_EQ(entries.first(), QStringLiteral("COM1"));
    EXPECT_EQ(entries.at(15), QStringLiteral("COM16"));
    EXPECT_EQ(entries.at(16), QStringLiteral("Port1"));
    EXPECT_EQ(entries.at(19), QStringLiteral("Port4"));
    EXPECT_EQ(entries.at(20), QStringLiteral("LPT1"));
    EXPECT_EQ(entries.at(22), QStringLiteral("LPT3"));
    EXPECT_EQ(entries.at(23), QStringLiteral("TCP"));
    EXPECT_EQ(entries.at(24), QStringLiteral("UDP"));
    // What the list shows: the TCP server's port, the rest as stored.
    const QStringList texts = portListTexts(10110);
    EXPECT_EQ(texts.at(23), QStringLiteral("TCP 10110"));
    EXPECT_EQ(texts.mid(0, 23), entries.mid(0, 23));
    EXPECT_EQ(texts.at(24), QStringLiteral("UDP"));
    EXPECT_TRUE(portListEntry(25).isEmpty());
    EXPECT_TRUE(portListEntry(-1).isEmpty());
    EXPECT_EQ(portListColour(), (zv::Rgb{0xC0, 0xC0, 0x00})); // &HC0C0
}

TEST(PortList, EntryTextDecidesTheChannelAndItsNumber)
{
    const struct {
        int index;
        ChannelKind kind;
        int number;
    } cases[] = {
        {0, ChannelKind::Serial, 1},   {2, ChannelKind::Serial, 3},     {15, ChannelKind::Serial, 16},
        {16, ChannelKind::PortWrite, 1}, {19, ChannelKind::PortWrite, 4}, {20, ChannelKind::Printer, 1},
        {22, ChannelKind::Printer, 3}, {23, ChannelKind::Tcp, 0},       {24, ChannelKind::Udp, 0},
        {25, ChannelKind::None, 0},
        {99, ChannelKind::None, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(channelKindOfIndex(c.index), c.kind);
        EXPECT_EQ(channelNumberOf(portListEntry(c.index)), c.number);
    }
}

TEST(PortList, SelectionIsIgnoredAtStartUpAndGoesToGarminInDownloadMode)
{
    const struct {
        PortSelectionState before;
        int selected;
        PortSelectionEffect effect;
        PortSelectionState after;
    } cases[] = {
        {{5, kIgnoreSelection, false, true}, 2, PortSelectionEffect::Ignored, {5, kIgnoreSelection, false, true}},
        {{5, 1, true, false}, 3, PortSelectionEffect::GarminPort, {5, 3, true, false}},
        {{5, 1, false, true}, 2, PortSelectionEffect::OutputPort, {2, 1, false, false}},
        {{0, 1, false, false}, 23, PortSelectionEffect::OutputPort, {23, 1, false, false}},
    };
    for (const auto& c : cases) {
        PortSelectionState state = c.before;
        EXPECT_EQ(applyPortSelection(state, c.selected), c.effect);
        EXPECT_EQ(state.outPortIndex, c.after.outPortIndex);
        EXPECT_EQ(state.garminPortIndex, c.after.garminPortIndex);
        EXPECT_EQ(state.downloadMode, c.after.downloadMode);
        EXPECT_EQ(state.replayActive, c.after.replayActive);
    }
}

TEST(PortList, SpeedButtonsGiveTheSettingsText)
{
    EXPECT_EQ(pspeedCaptions(), (QStringList{QStringLiteral("4800"), QStringLiteral("9600")}));
    EXPECT_EQ(serialSettingsText(QStringLiteral("9600")), QStringLiteral("9600,n,8,1"));
    const struct {
        const char* text;
        bool ok;
        SerialSettings parsed;
    } cases[] = {
        {"4800,n,8,1", true, {4800, 'n', 8, 1}},
        {"9600,N,8,1", true, {9600, 'n', 8, 1}},
        {"19200,e,7,2", true, {19200, 'e', 7, 2}},
        {"9600,n,8", false, {}},
        {"fast,n,8,1", false, {}},
        {"9600,x,8,1", false, {}},
        {"9600,n,9,1", false, {}},
        {"9600,n,8,3", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SerialSettings s;
        EXPECT_EQ(parseSerialSettings(QString::fromLatin1(c.text), &s), c.ok);
        if (c.ok) {
            EXPECT_EQ(s, c.parsed);
        }
    }
}

TEST(ChannelConfig, ReadsTcpPortAndDevicesFromTheSettingsFile)
{
    const struct {
        const char* ini;
        quint16 port;
        const char* com3;
        const char* address = ""; // empty: every address
    } cases[] = {
        {"", kDefaultTcpPort, "/dev/ttyS2"},
        {"[TCP]\r\nPort=5017\r\n", 5017, "/dev/ttyS2"},
        {"[tcp]\nport = 40000\n[Devices]\ncom3=/dev/pts/7\n", 40000, "/dev/pts/7"},
        {"[TCP]\nPort=0\n", kDefaultTcpPort, "/dev/ttyS2"},
        {"[TCP]\nPort=70000\n", kDefaultTcpPort, "/dev/ttyS2"},
        {"[TCP]\nPort=abc\n", kDefaultTcpPort, "/dev/ttyS2"},
        {"[Other]\nPort=2000\n", kDefaultTcpPort, "/dev/ttyS2"},
        {"[TCP]\nAddress=127.0.0.1\nPort=5017\n", 5017, "/dev/ttyS2", "127.0.0.1"},
        {"[TCP]\naddress = [::1]\n", kDefaultTcpPort, "/dev/ttyS2", "::1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        QTemporaryDir home;
        QFile ini(zelvanIniPath(home.path()));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(c.ini);
        ini.close();
        const ChannelConfig config = ChannelConfig::fromIni(ini.fileName());
        EXPECT_EQ(config.tcpPort, c.port);
        EXPECT_EQ(config.tcpAddress, QString::fromLatin1(c.address));
#ifndef Q_OS_WIN
        EXPECT_EQ(zv::resolvePortName(QStringLiteral("COM3"), config.devices), QString::fromLatin1(c.com3));
#endif
    }
}

TEST(ChannelConfig, ReadsTheUdpTargetAndWhichComEntriesAreVirtual)
{
    const struct {
        const char* ini;
        const char* host;
        quint16 port;
        bool com1Pty;
        bool com3Pty;
    } cases[] = {
        {"", kDefaultUdpHost, kDefaultUdpPort, false, false},
        {"[UDP]\nHost=192.168.1.255\nPort=2000\n", "192.168.1.255", 2000, false, false},
        {"[udp]\nport=0\nhost=\n", kDefaultUdpHost, kDefaultUdpPort, false, false},
        {"[Devices]\nCOM3=PTY\ncom1=/dev/pts/3\n", kDefaultUdpHost, kDefaultUdpPort, false, true},
        {"[Devices]\nCOM1=pty\nCOM13=pty\n", kDefaultUdpHost, kDefaultUdpPort, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        QTemporaryDir home;
        QFile ini(zelvanIniPath(home.path()));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(c.ini);
        ini.close();
        const ChannelConfig config = ChannelConfig::fromIni(ini.fileName());
        EXPECT_EQ(config.udpHost, QString::fromLatin1(c.host));
        EXPECT_EQ(config.udpPort, c.port);
        EXPECT_EQ(config.isVirtualSerial(1), c.com1Pty);
        EXPECT_EQ(config.isVirtualSerial(3), c.com3Pty);
    }
    EXPECT_EQ(virtualSerialLinkPath(QStringLiteral("/home/u/zelvan"), 3), QStringLiteral("/home/u/zelvan/ttyZelvan3"));
}
