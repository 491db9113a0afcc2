#include "sim/garmin/garmin_link.h"

namespace zelvan::garmin {

std::uint8_t frameChecksum(std::uint8_t pid, QByteArrayView data)
{
    unsigned sum = pid + static_cast<unsigned>(data.size() & 0xFF);
    for (char c : data)
        sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>((0u - sum) & 0xFFu);
}

namespace {
void appendStuffed(QByteArray& out, std::uint8_t b)
{
    out.append(static_cast<char>(b));
    if (b == kDle)
        out.append(static_cast<char>(kDle));
}
} // namespace

QByteArray buildFrame(std::uint8_t pid, QByteArrayView data)
{
    if (data.size() > 255)
        data = data.first(255);
    QByteArray out;
    out.reserve(2 * data.size() + 8);
    out.append(static_cast<char>(kDle));
    out.append(static_cast<char>(pid));
    appendStuffed(out, static_cast<std::uint8_t>(data.size()));
    for (char c : data)
        appendStuffed(out, static_cast<std::uint8_t>(c));
    appendStuffed(out, frameChecksum(pid, data));
    out.append(static_cast<char>(kDle));
    out.append(static_cast<char>(kEtx));
    return out;
}

QByteArray buildAck(std::uint8_t pid)
{
    const char data[2] = {static_cast<char>(pid), 0};
    return buildFrame(PidAck, QByteArrayView(data, 2));
}

QByteArray buildNak(std::uint8_t pid)
{
    const char data[2] = {static_cast<char>(pid), 0};
    return buildFrame(PidNak, QByteArrayView(data, 2));
}

void FrameReader::reset()
{
    m_state = State::Hunting;
    m_body.clear();
    m_rawCount = 0;
}

void FrameReader::finishFrame(std::vector<Frame>& out)
{
    Frame f;
    f.pid = static_cast<std::uint8_t>(m_body.at(0));
    unsigned sum = 0;
    for (char c : m_body)
        sum += static_cast<std::uint8_t>(c);
    if (m_body.size() >= 3) {
        const int size = static_cast<std::uint8_t>(m_body.at(1));
        f.valid = size == m_body.size() - 3 && (sum & 0xFFu) == 0;
        if (f.valid)
            f.data = m_body.mid(2, size);
    }
    out.push_back(std::move(f));
    m_body.clear();
    m_rawCount = 0;
    m_state = State::Hunting;
}

std::vector<Frame> FrameReader::feed(QByteArrayView bytes)
{
    std::vector<Frame> out;
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        switch (m_state) {
        case State::Hunting:
            if (b == kDle)
                m_state = State::AfterStartDle;
            break;
        case State::AfterStartDle:
            // DLE ETX here is the tail of a frame we joined late; a second
            // DLE may be the real start.
            if (b == kEtx)
                m_state = State::Hunting;
            else if (b != kDle) {
                m_body.clear();
                m_body.append(c);
                m_rawCount = 2;
                m_state = State::InFrame;
            }
            break;
        case State::InFrame:
        case State::InFrameAfterDle:
            if (++m_rawCount > kMaxRawFrame) {
                ++m_oversizeDrops;
                m_body.clear();
                m_rawCount = 0;
                m_state = b == kDle ? State::AfterStartDle : State::Hunting;
                break;
            }
            if (m_state == State::InFrame) {
                if (b == kDle)
                    m_state = State::InFrameAfterDle;
                else
                    m_body.append(c);
            } else if (b == kDle) {
                m_body.append(c);
                m_state = State::InFrame;
            } else if (b == kEtx) {
                finishFrame(out);
            } else {
                // A lone DLE inside a frame: the frame is broken (reported so
                // it gets a NAK) and this byte is the id of a new one.
                finishFrame(out);
                out.back().valid = false;
                out.back().data.clear(); // a broken frame hands on nothing
                m_body.append(c);
                m_rawCount = 2;
                m_state = State::InFrame;
            }
            break;
        }
    }
    return out;
}

} // namespace zelvan::garmin
