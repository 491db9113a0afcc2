#include "common/save_file.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace zv {

QString writeErrorText(const QFileDevice& file, int errnoAfterFailure)
{
    const QString qt = file.errorString();
    if (errnoAfterFailure != 0 && (qt.isEmpty() || qt == QLatin1String("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(errnoAfterFailure));
    return qt;
}

bool commitSaveFile(QSaveFile& file, QString* error)
{
    errno = 0;
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const int err = errno;
        if (error)
            *error = writeErrorText(file, err);
        file.cancelWriting();
        file.commit(); // only discards the temporary file now
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace zv
