#pragma once
// The NMEA output of the simulator: the port list PortC, the baud-rate
// buttons Pspeed, the channel behind the chosen entry (Comm1 or, for a COM
// entry set to "pty" in [Devices], a virtual serial port; a port-write or
// printer channel; the TCP server; UDP) and SendSentence, the only way a
// sentence leaves. The window creates one, hands it a view of its controls
// and the dialogs, and calls it from its event handlers.
#include "common/colour.h"
#include "common/dialogs.h"
#include "sim/replay/channels/channel_config.h"
#include "sim/replay/channels/port_list.h"
#include "sim/replay/channels/port_write_channel.h"
#include "sim/replay/channels/printer_channel.h"
#include "sim/replay/channels/pty_channel.h"
#include "sim/replay/channels/serial_channel.h"
#include "sim/replay/channels/tcp_server_channel.h"
#include "sim/replay/channels/udp_channel.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <memory>

namespace zelvan {

// What the output port tells the window; every method does nothing unless a
// view shows it.
class OutputPortView {
public:
    virtual ~OutputPortView() = default;
    // PortC holds these entries in this back colour. Filling is no selection
    // by the user: it must not reach the PortC click handler.
    virtual void portListFilled(const QStringList& /*entries*/, zv::Rgb /*colour*/) {}
    // PortC keeps only its first count entries (download mode), the chosen one
    // staying chosen when it is among them; again no click.
    virtual void portListTrimmed(int /*count*/, zv::Rgb /*colour*/) {}
    // The chosen entry shown again after a refill; no click.
    virtual void portListIndex(int /*index*/) {}
    virtual void portListEnabled(bool /*on*/) {}
    // The TCP status shape: shown while listening, red or green.
    virtual void tcpStatus(bool /*visible*/, zv::Rgb /*colour*/) {}
    // PortL's tool tip: the TCP clients, or a virtual serial port's link.
    virtual void portToolTip(const QString& /*text*/) {}
    // The Pspeed buttons' captions and the chosen one; no click.
    virtual void pspeed(const QStringList& /*captions*/, int /*chosen*/) {}
};

class OutputPort : public QObject {
    Q_OBJECT
public:
    // homeDir: where Zelvan.ini lives ([Devices], [TCP] Port); read afresh
    // at every start of the output. dialogs may be null (failures are then
    // only signalled).
    OutputPort(const QString& homeDir, zv::Dialogs* dialogs, QObject* parent = nullptr);
    ~OutputPort() override;

    // Shows the port's state in view at once and every change after; null
    // shows nothing.
    void setView(std::unique_ptr<OutputPortView> view);

    // FillPortList: every entry, olive back colour; the selection is not
    // handled while filling (no PortC click).
    void fillPortList();
    // Download mode's list: only COM1..COM16, dark red.
    void fillDownloadPortList();
    // Download mode ends: the full list with the output entry chosen again.
    void restorePortList();
    // The entries PortC shows, as this port last filled it.
    QStringList listedPorts() const { return m_listedPorts; }
    zv::Rgb portListBackColour() const { return m_listColour; }
    // PortC is locked while a run uses the output.
    void setPortListEnabled(bool on);
    bool portListEnabled() const { return m_listEnabled; }
    QString portToolTip() const { return m_toolTip; }

    // The non-ignored, non-download branch of a PortC click (see
    // applyPortSelection): closes Comm1, takes the entry, sets the port number.
    void selectOutputPort(int index);
    // Start-up: the stored entry, without closing anything.
    void setOutPortIndex(int index);
    int outPortIndex() const { return m_outPortIndex; }
    QString selectedEntry() const { return portListEntry(m_outPortIndex); }
    ChannelKind selectedKind() const { return channelKindOfIndex(m_outPortIndex); }

    // Pspeed click: close Comm1 if open, new settings, reopen if it was open.
    void pspeedClicked(int index);
    int pspeedIndex() const { return m_pspeedIndex; }
    QString serialSettings() const { return m_serial->settings(); }

    // A replay or manual run starts: opens the chosen channel (Comm1 or the
    // virtual serial port for a COM entry, the TCP listener for "TCP", the
    // UDP socket for "UDP", the device of a Port or LPT entry).
    // A failure is shown once; the run goes on and its sentences are dropped.
    void startOutput();
    // The run stops: Comm1 closed, StopTcpListener, other channels closed.
    void stopOutput();
    // When the system refuses the TCP port (protected or taken) the message
    // names the setting and, with dialogs, asks whether to listen on the
    // alternative port (10110) instead until the program ends; Zelvan.ini
    // keeps its value.
    void startTcpListener();
    void stopTcpListener();
    // The port the TCP server listens on: [TCP] Port, or the alternative the
    // user accepted for it.
    quint16 tcpPort() const;
    // Tests offer a free port instead of 10110.
    void setAlternativeTcpPort(quint16 port) { m_alternativeTcpPort = port; }

    // SendSentence: appends CR LF to the caller's text and sends it on the
    // chosen channel.
    void sendSentence(QByteArray& sentence);

    SerialChannel* serial() const { return m_serial; }
    TcpServerChannel* tcp() const { return m_tcp; }
    PtyChannel* pty() const { return m_pty; }
    UdpChannel* udp() const { return m_udp; }
    // The channel behind the chosen entry (created on first use).
    OutputChannel* activeChannel();
    ChannelConfig config() const { return m_config; }

Q_SIGNALS:
    // Every failure shown to the user, also when no dialogs are set.
    void failureReported(const QString& text, const QString& title);

private:
    void report(const QString& text, const QString& title);
    void onChannelFailed(const QString& message);
    void applyTcpStatus(bool visible, zv::Rgb colour);
    void applyToolTip(const QString& text);
    void applyConfig();
    void closeVirtualSerial();
    void showTcpPort(); // PortC's "TCP" entry names the port in use

    QString m_homeDir;
    zv::Dialogs* m_dialogs;
    std::unique_ptr<OutputPortView> m_view = std::make_unique<OutputPortView>(); // never null
    ChannelConfig m_config;
    QStringList m_listedPorts;
    zv::Rgb m_listColour;
    bool m_listEnabled = true;
    QString m_toolTip;
    int m_outPortIndex = 0;
    int m_pspeedIndex = kDefaultPspeedIndex;
    bool m_reportedThisStart = false;
    quint16 m_alternativeTcpPort = kNavigationPort;
    quint16 m_acceptedTcpPort = 0; // the alternative the user took instead of...
    quint16 m_refusedTcpPort = 0;  // ...this [TCP] Port
    SerialChannel* m_serial;
    TcpServerChannel* m_tcp;
    PtyChannel* m_pty;
    UdpChannel* m_udp;
    std::array<PortWriteChannel*, 4> m_portWrites{};
    std::array<PrinterChannel*, 3> m_printers{};
};

} // namespace zelvan
