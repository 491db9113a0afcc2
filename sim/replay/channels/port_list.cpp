#include "sim/replay/channels/port_list.h"

namespace zelvan {

QStringList portListEntries()
{
    QStringList entries;
    entries.reserve(kPortListSize);
    for (int n = 1; n <= 16; ++n)
        entries << QStringLiteral("COM%1").arg(n);
    for (int n = 1; n <= 4; ++n)
        entries << QStringLiteral("Port%1").arg(n);
    for (int n = 1; n <= 3; ++n)
        entries << QStringLiteral("LPT%1").arg(n);
    entries << QStringLiteral("TCP") << QStringLiteral("UDP");
    return entries;
}

QString portListEntry(int index)
{
    if (index < 0 || index >= kPortListSize)
        return {};
    return portListEntries().at(index);
}

QStringList portListTexts(quint16 tcpPort)
{
    QStringList texts = portListEntries();
    texts[kTcpIndex] += QStringLiteral(" %1").arg(tcpPort);
    return texts;
}

zv::Rgb portListColour() { return zv::rgbFromBgr(0xC0C0); }
zv::Rgb downloadPortListColour() { return zv::rgbFromBgr(0xC0); }
zv::Rgb tcpIdleColour() { return zv::rgbFromBgr(0xFF); }
zv::Rgb tcpConnectedColour() { return zv::rgbFromBgr(0xFF00); }

ChannelKind channelKindOf(const QString& entry)
{
    if (entry.isEmpty())
        return ChannelKind::None;
    if (entry == QLatin1String("TCP"))
        return ChannelKind::Tcp;
    if (entry == QLatin1String("UDP"))
        return ChannelKind::Udp;
    if (entry.startsWith(QLatin1String("Por")))
        return ChannelKind::PortWrite;
    if (entry.startsWith(QLatin1String("LPT")))
        return ChannelKind::Printer;
    return ChannelKind::Serial;
}

ChannelKind channelKindOfIndex(int index)
{
    return channelKindOf(portListEntry(index));
}

int channelNumberOf(const QString& entry)
{
    qsizetype start = entry.size();
    while (start > 0 && entry.at(start - 1).isDigit())
        --start;
    return entry.mid(start).toInt();
}

PortSelectionEffect applyPortSelection(PortSelectionState& state, int selectedIndex)
{
    if (state.garminPortIndex == kIgnoreSelection)
        return PortSelectionEffect::Ignored;
    if (state.downloadMode) {
        state.garminPortIndex = selectedIndex;
        return PortSelectionEffect::GarminPort;
    }
    state.replayActive = false;
    state.outPortIndex = selectedIndex;
    return PortSelectionEffect::OutputPort;
}

QStringList pspeedCaptions()
{
    return {QStringLiteral("4800"), QStringLiteral("9600")};
}

QString serialSettingsText(const QString& pspeedCaption)
{
    return pspeedCaption + QLatin1String(",n,8,1");
}

bool parseSerialSettings(const QString& text, SerialSettings* out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    SerialSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return false;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity))
        return false;
    s.parity = parity.at(0).toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return false;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return false;
    if (out)
        *out = s;
    return true;
}

} // namespace zelvan
