#pragma once
// Turning a received line into the sentence the decoders see, and reading
// its fields by number.
#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>

namespace vur {

// The sentence of a received line: from its first "$" up to and including
// the two characters after the first "*"; without "*" only the first two
// characters remain. A line without "$" holds no sentence.
std::optional<QByteArray> extractSentence(QByteArrayView line);

// The talker of a sentence: the two upper-case letters after "$" ("GP", "GN",
// "GL", "GA", "GB", "BD", "GQ", "GI", "IN"...). Proprietary sentences ("$P...")
// and anything else have none and give an empty view.
QByteArrayView talkerOf(QByteArrayView sentence);
// The three-letter type after the talker ("RMC" of "$GNRMC,..."); empty when
// the sentence has no talker or the type is not three upper-case letters.
QByteArrayView typeOf(QByteArrayView sentence);

// Separator positions of one sentence, then fields by number.
//
//   $GPGSV,3,1,11,03,41,050,46*71
//         ^ ^ ^  ^  ^  ^   ^  ^    fieldPos[1..8]; field 3 is "11"
class SentenceFields {
public:
    static constexpr int maxSeparators = 50;

    SentenceFields() = default;
    explicit SentenceFields(QByteArrayView sentence) { FindFields(sentence); }

    // Records the commas after the address (at most 50) and ends the list at
    // the first "*" (or the end of the text when there is none).
    void FindFields(QByteArrayView sentence);
    // Field i (1 = first after the address); a number outside the recorded
    // fields reads as empty.
    QByteArray GetField(int i) const;
    int fieldCount() const { return m_count; }
    const QByteArray& sentence() const { return m_sentence; }

private:
    QByteArray m_sentence;
    // 0-based positions; entry 0 is the comma after the address.
    std::array<qsizetype, maxSeparators + 2> m_pos{};
    int m_count = 0; // fields available: 1 .. m_count
};

} // namespace vur
