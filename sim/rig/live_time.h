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

// The offset was fixed (or its days set right at the first date): the
// sentence that fixed it as the file has it, and as it goes out.
struct LiveTimeNote {
    SentenceTime file;
    qint64 sentMs = 0;   // milliseconds since 1970-01-01 UTC
    qint64 offsetMs = 0;
    bool again = false;  // the file started again (a loop)
    bool operator==(const LiveTimeNote&) const = default;
};
// One line for a report ("live time (loop): " once the file started again):
// "live time: file 2007-08-13T07:03:12Z is sent as
// 2026-12-08T09:00:00Z (offset +7057 days 01:56:48)"; an undated file time
// shows as "07:03:12 (no date yet)" and no offset.
QString liveTimeNoteText(const LiveTimeNote& note);

// Rewrites a replay's sentences for a TimeChoice. The first sentence with a
// time fixes the offset (whole seconds, so that sentences of one epoch with
// different decimals still agree); a date not seen yet is taken to be the
// target's, and the whole days are set right at the first date.
class LiveClock {
public:
    explicit LiveClock(TimeChoice choice, std::function<qint64()> nowMs = {});

    // Told every time the offset is fixed or its days set right.
    void setReporter(std::function<void(const LiveTimeNote&)> report) { m_report = std::move(report); }

    QByteArray rewrite(const QByteArray& sentence);
    // The file starts again (a loop): the next timed sentence anchors afresh,
    // at the wall clock for TimeMode::Now, at the start instant for Start.
    void restart()
    {
        m_offset.reset();
        m_dated = false;
        m_again = true;
    }
    std::optional<qint64> offsetMs() const { return m_offset; }

private:
    // day: the file's, or the one taken for it while it has none.
    void note(const SentenceTime& file, qint64 day);

    TimeChoice m_choice;
    std::function<qint64()> m_now;
    std::function<void(const LiveTimeNote&)> m_report;
    std::optional<qint64> m_offset;
    bool m_dated = false;
    bool m_again = false;
    qint64 m_anchorTarget = 0;
    qint64 m_anchorMsOfDay = 0;
};

} // namespace zelvan
