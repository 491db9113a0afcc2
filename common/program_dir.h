#pragma once
#include <QString>
#include <QStringList>

namespace zv {

// The program directory: --home DIR from the arguments, else the executable's
// folder when it is writable and not an installed one, else the per-user data
// folder (created).
QString resolveProgramDir(const QStringList& arguments);

} // namespace zv
