#pragma once
// Garmin's serial link: frames are DLE, packet id, size, data, checksum,
// DLE, ETX, with every 0x10 among size, data and checksum sent twice. The
// checksum makes the byte sum of id, size, data and checksum 0 modulo 256.
#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace zelvan::garmin {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kEtx = 0x03;

// Packet ids of the basic link and the track-log transfer.
enum Pid : std::uint8_t {
    PidAck = 6,
    PidCommandData = 10,
    PidXferCmplt = 12,
    PidNak = 21,
    PidRecords = 27,
    PidTrkData = 34,
    PidTrkHdr = 99,
    PidProtocolArray = 253,
    PidProductRqst = 254,
    PidProductData = 255,
};

// Commands carried by PidCommandData.
enum Command : std::uint16_t {
    CmndAbortTransfer = 0,
    CmndTransferTrk = 6,
};

// Longest raw frame accepted (255 data bytes all stuffed plus framing);
// anything longer is line noise and is dropped.
inline constexpr int kMaxRawFrame = 518;

struct Frame {
    std::uint8_t pid = 0;
    QByteArray data;
    // False when the size byte disagrees with the data or the sum is not 0.
    bool valid = false;

    bool operator==(const Frame&) const = default;
};

// (-sum) & 0xFF over id, size and data.
std::uint8_t frameChecksum(std::uint8_t pid, QByteArrayView data);

// A complete stuffed frame ready to write. Data longer than 255 bytes is cut.
QByteArray buildFrame(std::uint8_t pid, QByteArrayView data = {});

// An ACK or NAK for a packet id, with the 2-byte data current devices expect.
QByteArray buildAck(std::uint8_t pid);
QByteArray buildNak(std::uint8_t pid);

// Cuts a byte stream into frames. Fed with whatever arrived; keeps the state
// of a half-received frame (also a DLE waiting for its partner) until the
// next call. Bytes outside frames (NMEA text, noise) are skipped.
class FrameReader {
public:
    std::vector<Frame> feed(QByteArrayView bytes);
    void reset();

    // Raw bytes dropped because a frame grew past kMaxRawFrame.
    int oversizeDrops() const { return m_oversizeDrops; }

private:
    enum class State { Hunting, AfterStartDle, InFrame, InFrameAfterDle };

    void finishFrame(std::vector<Frame>& out);

    State m_state = State::Hunting;
    QByteArray m_body; // id, size, data, checksum; un-stuffed
    int m_rawCount = 0;
    int m_oversizeDrops = 0;
};

} // namespace zelvan::garmin
