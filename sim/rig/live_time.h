#pragma once
// Live time: a replay's sentences carry another instant than the file's, the
// current one or a chosen one, every epoch keeping its distance from the
// first. Pure rewriting of the time and date fields; the clock is injected.
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace zelvan {

enum class TimeMode { File, Now, Start };

struct TimeChoice {
    TimeMode mode = TimeMode::File;
    qint64 startMs = 0; // TimeMode::Start: milliseconds since 1970-01-01 UTC
    bool operator==(const TimeChoice&) const = default;
};

// "file", "now" or an ISO 8601 instant ("2024-05-01T12:00:00Z"; without a
// zone it is UTC, with an offset it is taken to UTC). error: why not.
std::optional<TimeChoice> parseTimeChoice(const QString& text, QString* error = nullptr);
// The choice as parseTimeChoice reads it back: "file", "now" or the UTC instant.
QString timeChoiceText(const TimeChoice& choice);

inline constexpr qint64 kMsPerDay = 86'400'000;

// The time a sentence carries: RMC, GGA, GLL, GNS, ZDA, GST or GBS of any
// talker, with the day (since 1970-01-01) when it carries a date too.
struct SentenceTime {
    qint64 msOfDay = 0;
    std::optional<qint64> day;
    bool operator==(const SentenceTime&) const = default;
};
std::optional<SentenceTime> sentenceTime(QByteArrayView sentence);

// The sentence with every time and date field moved by offsetMs (midnight
// and the year roll over; each field keeps its decimals, rounded to them),
// its checksum recomputed. Other sentences, empty or malformed fields stay
// as they are.
QByteArray shiftSentenceTime(const QByteArray& sentence, qint64 offsetMs);
// A record's clock (date ddmmyy, time hhmmss) moved the same way, for
// read-outs that show what the sentences carry. An empty date stays empty.
std::pair<QByteArray, QByteArray> shiftClockText(const QByteArray& ddmmyy, const QByteArray& hhmmss, qint64 offsetMs);

// Rewrites a replay's sentences for a TimeChoice. The first sentence with a
// time fixes the offset (whole seconds, so that sentences of one epoch with
// different decimals still agree); a date not seen yet is taken to be the
// target's, and the whole days are set right at the first date.
class LiveClock {
public:
    explicit LiveClock(TimeChoice choice, std::function<qint64()> nowMs = {});

    QByteArray rewrite(const QByteArray& sentence);
    // The file starts again (a loop): the next timed sentence anchors afresh,
    // at the wall clock for TimeMode::Now, at the start instant for Start.
    void restart()
    {
        m_offset.reset();
        m_dated = false;
    }
    std::optional<qint64> offsetMs() const { return m_offset; }

private:
    TimeChoice m_choice;
    std::function<qint64()> m_now;
    std::optional<qint64> m_offset;
    bool m_dated = false;
    qint64 m_anchorTarget = 0;
    qint64 m_anchorMsOfDay = 0;
};

} // namespace zelvan
