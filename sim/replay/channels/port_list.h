#pragma once
// The output selector's entries and what each one means, as plain data so
// the window, the settings and the Garmin download agree on one table.
#include "common/colour.h"

#include <QString>
#include <QStringList>

namespace zelvan {

enum class ChannelKind {
    Serial,    // "COM1".."COM16": the serial control Comm1
    PortWrite, // "Port1".."Port4": bytes one by one into COM1..COM4's device
    Printer,   // "LPT1".."LPT3": device opened, written, closed per sentence
    Tcp,       // "TCP": every client of the TCP server
    Udp,       // "UDP": datagrams to [UDP] Host and Port
    None,      // no entry selected (or an index outside the list)
};

// Indexes 0..23 are stored in Zelvan.ini by older versions too: new entries
// only ever go after them.
inline constexpr int kPortListSize = 25;
inline constexpr int kFirstPortWriteIndex = 16;
inline constexpr int kFirstPrinterIndex = 20;
inline constexpr int kTcpIndex = 23;
inline constexpr int kUdpIndex = 24;
// In Garmin download mode only the sixteen serial ports stay in the list.
inline constexpr int kDownloadModeEntries = 16;
// garminPortIndex holds this while start-up selects the stored entry, so the
// selection handler opens nothing.
inline constexpr int kIgnoreSelection = 99;

// The entries in list order: COM1..COM16, Port1..Port4, LPT1..LPT3, TCP, UDP.
QStringList portListEntries();
QString portListEntry(int index); // empty outside 0..kPortListSize-1
// What PortC shows: the entries, with the TCP server's port after "TCP"
// ("TCP 1000"), so the user sees where to connect without opening a file.
QStringList portListTexts(quint16 tcpPort);

// Back colour of the list after it is filled (&HC0C0, olive) and while in
// download mode (dark red).
zv::Rgb portListColour();
zv::Rgb downloadPortListColour();

// The kind is read from the entry's text, as the sending code does: "TCP",
// "UDP", then a "Por" prefix, then "LPT", anything else is a serial port.
ChannelKind channelKindOf(const QString& entry);
ChannelKind channelKindOfIndex(int index);
// The number an entry ends in: 3 for "COM3", "Port3" and "LPT3"; 0 for "TCP" and "UDP".
int channelNumberOf(const QString& entry);

// The selector's handling of a new selection. The state lives in the window;
// this only decides what the selection changes.
struct PortSelectionState {
    int outPortIndex = 0;
    int garminPortIndex = 1;
    bool downloadMode = false;
    bool replayActive = false;
};
enum class PortSelectionEffect {
    Ignored,       // garminPortIndex is 99 (start-up)
    GarminPort,    // download mode: the Garmin link's port changed (Comm2 = index + 1)
    OutputPort,    // outPortIndex changed, replayActive cleared, Comm1 must be closed
};
PortSelectionEffect applyPortSelection(PortSelectionState& state, int selectedIndex);

// The baud-rate option buttons Pspeed(0) and Pspeed(1).
QStringList pspeedCaptions(); // "4800", "9600"
QString serialSettingsText(const QString& pspeedCaption); // "9600" -> "9600,n,8,1"
inline constexpr int kDefaultPspeedIndex = 0;

// A parsed settings text such as "9600,n,8,1".
struct SerialSettings {
    int baud = 4800;
    char parity = 'n'; // n, e, o, m, s
    int dataBits = 8;
    int stopBits = 1; // 1 or 2
    bool operator==(const SerialSettings&) const = default;
};
// False for a text that is not "baud,parity,data,stop" with sensible values.
bool parseSerialSettings(const QString& text, SerialSettings* out);

// The TCP status shape: red while no client is connected, green otherwise.
zv::Rgb tcpIdleColour();      // &HFF
zv::Rgb tcpConnectedColour(); // &HFF00

} // namespace zelvan
