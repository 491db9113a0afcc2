// Garmin link frames: the reader cuts any byte stream into the same frames
// whether it arrives whole or in pieces (piece sizes from the input), a
// valid frame's data fits its size byte and checksum, and every frame built
// from the input's bytes reads back exactly after a reset and after a
// complete frame.
#include "sim/garmin/garmin_link.h"

#include <cstdint>
#include <cstdlib>

using namespace zelvan::garmin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    FrameReader whole;
    const std::vector<Frame> frames = whole.feed(bytes);
    for (const Frame& f : frames) {
        if (f.valid) {
            if (f.data.size() > 255)
                std::abort();
            // A valid frame, built again, is read back as itself.
            FrameReader again;
            const std::vector<Frame> back = again.feed(buildFrame(f.pid, f.data));
            if (back.size() != 1 || back.front() != f)
                std::abort();
        } else if (!f.data.isEmpty()) {
            std::abort(); // a broken frame hands on no data
        }
    }

    FrameReader pieces;
    std::vector<Frame> split;
    qsizetype at = 0, step = 0;
    while (at < bytes.size()) {
        const qsizetype n = std::min<qsizetype>(1 + (static_cast<std::uint8_t>(bytes[step++ % bytes.size()]) % 7),
                                                bytes.size() - at);
        for (Frame& f : pieces.feed(bytes.sliced(at, n)))
            split.push_back(std::move(f));
        at += n;
    }
    if (split != frames || pieces.oversizeDrops() != whole.oversizeDrops())
        std::abort();

    // The input as the payload of a frame: pid from the first byte (a DLE or
    // ETX is never a packet id: the framing could not tell it apart).
    if (!bytes.isEmpty() && bytes[0] != char(kDle) && bytes[0] != char(kEtx)) {
        const auto pid = static_cast<std::uint8_t>(bytes[0]);
        const QByteArrayView payload = bytes.sliced(1).first(std::min<qsizetype>(255, bytes.size() - 1));
        const QByteArray frame = buildFrame(pid, payload);
        if (frame.size() > kMaxRawFrame)
            std::abort();
        whole.reset();
        const QByteArray twice = frame + frame;
        const std::vector<Frame> back = whole.feed(twice);
        if (back.size() != 2 || !back[0].valid || back[0].pid != pid || back[0].data != payload.toByteArray()
            || back[1] != back[0])
            std::abort();
    }
    return 0;
}
