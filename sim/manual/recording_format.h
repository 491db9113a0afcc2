#pragma once
// Line layouts of a recording: copies of the last manual sentences with a
// record time and speed, intermediate Auto-Point positions, text records.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace zelvan {

// "dddmm.mmmm" for minutes of arc (degrees x 60 + minutes), plus nudge
// ten-thousandths of a minute. Computed in whole ten-thousandths with carry,
// so the minutes never read "60.0000".
QByteArray formatRecordMinutes(double minutes, int nudge = 0);

// The sentence framed again with some of its fields replaced (fields
// counted from 1 after the sentence name, as sentenceField does).
QByteArray withFields(QByteArrayView sentence, std::initializer_list<std::pair<int, QByteArray>> fields);

QByteArray recordTimeText(const QTime& t); // hhmmss
QByteArray recordDateText(const QDate& d); // ddmmyy

// Speed patch of a recorded RMC: the speed field becomes whole knots of
// kmh (rounded) as "027.0".
QByteArray withRecordSpeed(QByteArrayView rmc, int kmh);

// A text for a text record: "$", "*" and control characters removed, so the
// line can neither start a new sentence nor break on replay.
QString cleanRecordText(const QString& text);

// The text record's status text from the last RMC: "48.09575,N,011.63658,E,"
// followed by the text in double quotes; empty when the RMC has no position.
QString textRecordStatus(QByteArrayView rmc, const QString& text);
// "$GPTXT," + status, framed with its checksum.
QByteArray textRecordLine(const QString& status);

// Whether a recording name may be used: a path separator or ".." would
// put the file outside "Tracks".
bool isAcceptableRecordName(const QString& name);

} // namespace zelvan
