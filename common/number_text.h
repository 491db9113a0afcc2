#pragma once
// Number reading and writing as the programs' texts and files need it:
// always the C locale, never the user's.
#include <QByteArray>
#include <QString>
#include <QStringView>

namespace zv {

// The value of the number at the start of a text, 0 when it starts with none.
// Leading blanks and tabs are skipped; "." is the decimal point whatever the
// locale; an exponent ("1E+25") is read; anything after the number is ignored.
double leadingNumber(QStringView text);
double leadingNumber(QByteArrayView text);

// The plain number text: one leading blank when the value is not negative,
// up to 15 significant digits, no leading zero before the point (" .5"),
// exponent form beyond that range (" 1E+25"). This is what files and
// read-outs of the programs show, e.g. "COM= 3".
QString plainNumberText(double value);

// The same without the leading blank ("3", "-5", ".5").
QString trimmedNumberText(double value);

// Fixed decimals in the C locale ("%.3f"), for coordinates and speeds.
QString fixedText(double value, int decimals);

// Whole number, banker's rounding of halves, as the display conversions use.
long long roundHalfEven(double value);

} // namespace zv
