#pragma once
// The talker Zelvan's own sentences carry: "GP" unless [Output] Talker in
// Zelvan.ini names another ("GN" for a receiver that mixes constellations,
// "GL", "GA", "BD"...). Sentences passed on from a log keep their own.
#include "sim/settings/ini_file.h"

#include <QByteArray>
#include <QString>

namespace zelvan {

inline constexpr char kDefaultTalker[] = "GP";

// Two letters, either case, the first not "P" (a maker's own sentence would
// result); returned in upper case. Anything else gives the default, so a
// mistyped value never puts malformed sentences on the wire.
QByteArray talkerFromText(const QString& text);

// [Output] Talker of an INI file, checked as above.
QByteArray outputTalker(const IniFile& ini);
// The same from a file; a missing or unreadable file gives the default.
QByteArray readOutputTalker(const QString& iniPath);

} // namespace zelvan
