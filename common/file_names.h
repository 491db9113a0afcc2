#pragma once
// File names as the system gives them. On Linux a name is a string of bytes,
// and names from old disks and archives are often not UTF-8 (a Latin-1
// "été.log"). Qt 6 cannot name such a file: its folder listings leave it out,
// and a name turned into a QString and back has lost its odd bytes. Here a
// byte that is not part of valid UTF-8 travels inside a QString as the lone
// surrogate U+DC80 + byte (such bytes are all 0x80 or above) and comes back
// out as the same byte, so every name survives the round trip. For a name
// that is valid UTF-8 nothing changes: the helpers below are Qt's own calls.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace zv {

QString decodeFileName(QByteArrayView native);
QByteArray encodeFileName(QStringView name);
// Whether Qt's own file calls can take this path (it holds no odd byte).
bool isPlainFileName(QStringView path);
// The name with every odd byte made "_": for files the programs name after another.
QString plainFileName(const QString& name);

// The program's arguments as the system gave them (file names keep every byte).
QStringList commandLineArguments(int argc, const char* const* argv);

// A path made absolute against the current folder, as text only (no look at
// the disk, which Qt's QFileInfo would need to do through the lossy name).
QString absolutePath(const QString& path);

// Opens `file` on any path; on failure false with the reason in *error. A
// file opened through an odd name has no fileName(): callers keep the path.
bool openFile(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* error = nullptr);
bool isFile(const QString& path);     // a regular file, links followed
bool isReadable(const QString& path);
bool exists(const QString& path);     // anything, a dangling link included
bool isDir(const QString& path);
qint64 fileSize(const QString& path); // 0 when there is none, as QFileInfo says
// False with the system's reason in *error.
bool renameFile(const QString& from, const QString& to, QString* error);
bool removeFile(const QString& path, QString* error);

// An existing file without any write permission: the user made it
// read-only, and it is not written even where the system would let the
// program (root).
bool isReadOnlyByMode(const QString& path);

// The names in `dir` that Qt's listings leave out (not valid UTF-8), of
// regular files (links followed).
QStringList oddFileNames(const QString& dir);

} // namespace zv
