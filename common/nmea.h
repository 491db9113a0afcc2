#pragma once
// NMEA 0183 framing shared by both programs: "$" + body + "*" + two
// upper-case hex digits, the checksum being the XOR of every body byte.
#include <QByteArray>
#include <QString>

namespace zv {

// XOR of all bytes of the body (the text between "$" and "*").
quint8 nmeaChecksum(QByteArrayView body);

// "$" + body + "*" + checksum as two upper-case hex digits.
QByteArray frameSentence(QByteArrayView body);
QString frameSentence(const QString& body);
inline QByteArray frameSentence(const QByteArray& body) { return frameSentence(QByteArrayView(body)); }
inline QByteArray frameSentence(const char* body) { return frameSentence(QByteArrayView(body)); }

// Two upper-case hex digits, leading zero below 16.
QByteArray hexByte(quint8 value);
// The value of a hex digit of either case; -1 for any other character.
int hexDigitValue(char c);

// value in decimal, zeros in front up to width ("007"): the fixed-width
// numbers of NMEA fields and of the track formats.
QByteArray zeroPadded(qint64 value, int width);
// Whether every character of text is a decimal digit (an empty text is).
bool allDigits(QByteArrayView text);

// Whether the line carries a checksum that matches its body ("$...*hh",
// hex digits in either case). Lines without "*hh" are not valid.
bool hasValidChecksum(QByteArrayView line);
inline bool hasValidChecksum(const QByteArray& line) { return hasValidChecksum(QByteArrayView(line)); }

// Field n (1-based, counted after the sentence name) of a sentence line: the
// text between the n-th comma and the next comma or "*". A field past the end
// is empty; a last field without "*" runs to the end of the line.
QByteArray sentenceField(QByteArrayView line, int n);
QString sentenceField(const QString& line, int n);
inline QByteArray sentenceField(const QByteArray& line, int n) { return sentenceField(QByteArrayView(line), n); }

// Talker-independent sentence type: "$GNRMC..." -> "RMC". "$PGRMM" is a
// maker's own sentence, not a talker sentence, and gives an empty result.
QByteArray sentenceType(QByteArrayView line);

// The talker of a line that opens with a talker sentence: "$GNRMC" -> "GN",
// "$BDGSA" -> "BD", "$INRMC" -> "IN". Two upper-case letters, the first not
// "P" (which marks a maker's own sentence such as "$PGRMM"); empty otherwise.
QByteArrayView sentenceTalker(QByteArrayView line);

// Whether the line begins with the sentence `type` ("RMC", "GGA"...) of any
// talker: "$GPRMC", "$GNRMC", "$GLRMC", "$BDRMC" all are RMC.
bool isSentence(QByteArrayView line, QByteArrayView type);
// Where the first "$" that opens a `type` sentence of any talker stands in
// the line (junk may come before it); -1 when there is none.
qsizetype findSentence(QByteArrayView line, QByteArrayView type);
inline bool containsSentence(QByteArrayView line, QByteArrayView type) { return findSentence(line, type) >= 0; }

} // namespace zv
