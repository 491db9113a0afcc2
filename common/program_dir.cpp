#include "common/program_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zv {

QString resolveProgramDir(const QStringList& arguments)
{
    const qsizetype i = arguments.indexOf(QStringLiteral("--home"));
    if (i >= 0 && i + 1 < arguments.size()) {
        QDir dir(arguments.at(i + 1));
        dir.mkpath(QStringLiteral("."));
        return dir.absolutePath();
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

} // namespace zv
