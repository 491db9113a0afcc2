#include "common/save_file.h"

#include "common/file_names.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv {

QString writeErrorText(const QFileDevice& file, int errnoAfterFailure)
{
    const QString qt = file.errorString();
    if (errnoAfterFailure != 0 && (qt.isEmpty() || qt == QLatin1String("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(errnoAfterFailure));
    return qt;
}

namespace {

// The file being replaced keeps what its user gave it: a file with no write
// permission at all is not replaced (root may write anything, but a user who
// made the file read-only meant it), and the new file gets the old one's mode
// and, where the program may set it, its owner.
bool takeOverMode(QSaveFile& file, QString* error)
{
#ifdef Q_OS_UNIX
    if (isReadOnlyByMode(file.fileName())) {
        if (error)
            *error = QSaveFile::tr("Existing file %1 is not writable").arg(file.fileName());
        return false;
    }
    struct stat st {};
    if (::stat(encodeFileName(file.fileName()).constData(), &st) != 0)
        return true; // a new file
    const int fd = file.handle();
    ::fchmod(fd, st.st_mode & 07777);
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
        [[maybe_unused]] const int ignored = ::fchown(fd, st.st_uid, st.st_gid); // allowed for root only
    }
#else
    Q_UNUSED(file);
    Q_UNUSED(error);
#endif
    return true;
}

} // namespace

bool commitSaveFile(QSaveFile& file, QString* error)
{
    if (!takeOverMode(file, error)) {
        file.cancelWriting();
        file.commit(); // only discards the temporary file now
        return false;
    }
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
