#include "common/file_names.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when none.
int utf8Length(const unsigned char* p, qsizetype n)
{
    const unsigned char c = p[0];
    int len = 0;
    char32_t min = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    char32_t code = c & (0xFF >> (len + 1));
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

// Whether the character at i stands for an odd byte: a lone low surrogate in
// the escape range (one after a high surrogate is half of a real character).
bool isEscapedByte(QStringView name, qsizetype i)
{
    const char16_t c = name.at(i).unicode();
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !(i > 0 && name.at(i - 1).isHighSurrogate());
}

#ifdef Q_OS_UNIX
QString systemReason(int number)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

// The system's look at a path (links followed); false when there is nothing.
bool statOf(const QString& path, struct stat* st)
{
    return ::stat(encodeFileName(path).constData(), st) == 0;
}
#endif

} // namespace

QString decodeFileName(QByteArrayView native)
{
    QString out;
    out.reserve(native.size());
    const auto* p = reinterpret_cast<const unsigned char*>(native.data());
    qsizetype i = 0;
    while (i < native.size()) {
        const int len = utf8Length(p + i, native.size() - i);
        if (len == 0) {
            out += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        out += QString::fromUtf8(reinterpret_cast<const char*>(p + i), len);
        i += len;
    }
    return out;
}

QByteArray encodeFileName(QStringView name)
{
    if (isPlainFileName(name))
        return name.toUtf8();
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscapedByte(name, i)) {
            out += name.mid(start, i - start).toUtf8();
            out += char(name.at(i).unicode() - kEscapeBase);
            start = i + 1;
        }
    }
    out += name.mid(start).toUtf8();
    return out;
}

bool isPlainFileName(QStringView path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isEscapedByte(path, i))
            return false;
    }
    return true;
}

QString plainFileName(const QString& name)
{
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (isEscapedByte(name, i))
            out[i] = QLatin1Char('_');
    }
    return out;
}

QStringList commandLineArguments(int argc, const char* const* argv)
{
    QStringList out;
    for (int i = 0; i < argc; ++i)
#ifdef Q_OS_UNIX
        out << decodeFileName(QByteArrayView(argv[i]));
#else
        out << QString::fromLocal8Bit(argv[i]);
#endif
    return out;
}

QString absolutePath(const QString& path)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
}

bool openFile(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* error)
{
    if (file.isOpen())
        file.close();
    if (isPlainFileName(path)) {
        file.setFileName(path);
        if (file.open(mode))
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    file.setFileName(QString());
    int flags = O_CLOEXEC;
    if ((mode & QIODevice::ReadWrite) == QIODevice::ReadWrite)
        flags |= O_RDWR;
    else if (mode & QIODevice::WriteOnly)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (mode & QIODevice::WriteOnly) {
        if (!(mode & QIODevice::ExistingOnly))
            flags |= O_CREAT;
        if (mode & QIODevice::NewOnly)
            flags |= O_EXCL;
        if (mode & QIODevice::Append)
            flags |= O_APPEND;
        else if ((mode & QIODevice::Truncate) || !(mode & QIODevice::ReadOnly))
            flags |= O_TRUNC;
    }
    const int fd = ::open(encodeFileName(path).constData(), flags, 0666);
    if (fd < 0) {
        if (error)
            *error = systemReason(errno);
        return false;
    }
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    if (error)
        *error = file.errorString();
    ::close(fd);
#endif
    return false;
}

bool isFile(const QString& path)
{
    if (isPlainFileName(path))
        return QFileInfo(path).isFile();
#ifdef Q_OS_UNIX
    struct stat st {};
    return statOf(path, &st) && S_ISREG(st.st_mode);
#else
    return false;
#endif
}

bool isReadable(const QString& path)
{
    if (isPlainFileName(path))
        return QFileInfo(path).isReadable();
#ifdef Q_OS_UNIX
    return ::access(encodeFileName(path).constData(), R_OK) == 0;
#else
    return false;
#endif
}

bool exists(const QString& path)
{
    if (isPlainFileName(path)) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    }
#ifdef Q_OS_UNIX
    struct stat st {};
    return ::lstat(encodeFileName(path).constData(), &st) == 0;
#else
    return false;
#endif
}

bool isDir(const QString& path)
{
    if (isPlainFileName(path))
        return QFileInfo(path).isDir();
#ifdef Q_OS_UNIX
    struct stat st {};
    return statOf(path, &st) && S_ISDIR(st.st_mode);
#else
    return false;
#endif
}

qint64 fileSize(const QString& path)
{
    if (isPlainFileName(path))
        return QFileInfo(path).size();
#ifdef Q_OS_UNIX
    struct stat st {};
    return statOf(path, &st) ? qint64(st.st_size) : 0;
#else
    return 0;
#endif
}

bool renameFile(const QString& from, const QString& to, QString* error)
{
    if (isPlainFileName(from) && isPlainFileName(to)) {
        QFile file(from);
        if (file.rename(to))
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    // Never over an existing file, as QFile::rename.
    const QByteArray target = encodeFileName(to);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
        if (error)
            *error = systemReason(EEXIST);
        return false;
    }
    if (::rename(encodeFileName(from).constData(), target.constData()) == 0)
        return true;
    if (error)
        *error = systemReason(errno);
    return false;
#else
    Q_UNUSED(error);
    return false;
#endif
}

bool removeFile(const QString& path, QString* error)
{
    if (isPlainFileName(path)) {
        QFile file(path);
        if (file.remove())
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::unlink(encodeFileName(path).constData()) == 0)
        return true;
    if (error)
        *error = systemReason(errno);
    return false;
#else
    Q_UNUSED(error);
    return false;
#endif
}

bool isReadOnlyByMode(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    return statOf(path, &st) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
#else
    return exists(path) && !QFileInfo(path).isWritable();
#endif
}

QStringList oddFileNames(const QString& dir)
{
#ifdef Q_OS_UNIX
    QStringList out;
    const QByteArray folder = encodeFileName(dir);
    DIR* d = ::opendir(folder.constData());
    if (!d)
        return out;
    while (const dirent* e = ::readdir(d)) {
        const QByteArrayView name(e->d_name);
        const QString decoded = decodeFileName(name);
        if (isPlainFileName(decoded))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            out << decoded;
    }
    ::closedir(d);
    return out;
#else
    Q_UNUSED(dir);
    return {};
#endif
}

} // namespace zv
