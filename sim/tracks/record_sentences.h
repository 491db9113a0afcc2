#pragma once
// The RMC, GGA and VTG sentences a track record becomes, and the fixed datum
// sentence sent after them.
#include "sim/tracks/track_record.h"

#include <QByteArray>

namespace zelvan {

struct RecordSentences {
    QByteArray rmc; // framed, without line end
    QByteArray gga;
    QByteArray vtg;
    bool operator==(const RecordSentences&) const = default;
};

// Sent after the VTG while "OTH" is selected.
inline constexpr char kPgrmmSentence[] = "$PGRMM,WGS 84*06";

// A date ending in "1989" is the null time of the receiver's track log: the
// sentences then carry time "000000" and no date. `talker` opens every body
// ("GP" unless [Output] Talker says otherwise).
RecordSentences composeRecordSentences(const TrackRecord& record, QByteArrayView talker = "GP");

} // namespace zelvan
