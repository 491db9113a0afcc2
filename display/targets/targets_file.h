#pragma once
// "VUR.wpt": one target per CR LF line of 33 bytes, 8-bit text where the
// degree sign is the single byte 0xB0:
//   NNNNNN DD°MM'SS.S"H DDD°MM'SS.S"H
// The list GotoL shows each as its name, 9 blanks and its last 26 characters.
#include "display/targets/target_geometry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTime>

namespace vur {

struct TargetsFile {
    QStringList entries;   // list form
    QString targetLine;    // the first line of the file, even when empty
    bool operator==(const TargetsFile&) const = default;
};

// Reads the file's bytes as Latin-1; a file written as UTF-8 (a "°" as
// 0xC2 0xB0) is recognised and read as such.
TargetsFile parseTargetsFile(QByteArrayView bytes);
// Every entry as name, blank, last 26 characters, CR LF, as Latin-1 bytes.
QByteArray writeTargetsFile(const QStringList& entries);

// Line form (33 characters) of a list entry, and the entry of a line.
QString targetLineOf(const QString& entry);
QString entryOfLine(const QString& line);

// The entry for a stored position: name (6) + 9 blanks + latitude text +
// blank + longitude text, seconds rounded to a tenth.
QString positionEntry(const QString& name, const Position& position);
// Local time of day as the 6-character name hhmmss.
QString timeName(const QTime& time);
// The first 6 characters of text + 6 blanks; control characters become blanks.
QString sixCharacterName(const QString& text);

} // namespace vur
