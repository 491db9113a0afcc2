#include "common/program_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zv {

namespace {

// An installed program (cmake --install, the Debian package) has its desktop
// entry in share/applications beside its bin folder. That folder belongs to
// the system even when this user (root) may write to it.
bool isInstalled(const QString& exeDir)
{
    const QString entry = QStringLiteral("/../share/applications/%1.desktop")
                              .arg(QCoreApplication::applicationName().toLower());
    return QFileInfo::exists(exeDir + entry);
}

} // namespace

QString resolveProgramDir(const QStringList& arguments)
{
    const qsizetype i = arguments.indexOf(QStringLiteral("--home"));
    if (i >= 0 && i + 1 < arguments.size()) {
        QDir dir(arguments.at(i + 1));
        dir.mkpath(QStringLiteral("."));
        return dir.absolutePath();
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable() && !isInstalled(exeDir))
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

} // namespace zv
