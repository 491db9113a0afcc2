// Fuzz target for the display's intake and decoders: arbitrary bytes, fed in
// chunks whose sizes come from the input itself, through the line splitter,
// the sentence cut, the dispatch and every decoder.
#include "display/decode/decoders.h"
#include "display/decode/live_display.h"
#include "display/intake/intake.h"

#include <cstddef>
#include <cstdint>

namespace vurfuzz {

int runIntake(const uint8_t* data, size_t size)
{
    vur::Intake intake(QStringLiteral("/nonexistent/vur-fuzz-home"), nullptr, nullptr);
    vur::LiveDisplay live(&intake, nullptr);
    live.connectToIntake();
    double clock = 0;
    live.setClock([&clock] { return clock += 0.7; });

    const char* bytes = reinterpret_cast<const char*>(data);
    size_t pos = 0;
    // The first byte of each step chooses how many bytes arrive together.
    while (pos < size) {
        const size_t n = std::min<size_t>(size - pos, 1 + static_cast<uint8_t>(bytes[pos]) % 97);
        intake.feed(QByteArrayView(bytes + pos, static_cast<qsizetype>(n)));
        pos += n;
    }

    // Every decoder on the whole input as one sentence as well.
    vur::DisplayState state;
    state.satsUsed = 1;
    const vur::SentenceFields fields(QByteArrayView(bytes, static_cast<qsizetype>(size)));
    vur::decodeGga(fields, state);
    vur::decodeGsv(fields, state);
    vur::decodeGsa(fields, state);
    vur::decodeRmc(fields, state);
    return 0;
}

} // namespace vurfuzz

#ifndef ZV_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return vurfuzz::runIntake(data, size);
}
#endif
