#pragma once
// Finishing files the programs write: a file that replaces a user's file goes
// through QSaveFile and is put in place only when every byte reached the disk.
#include <QFileDevice>
#include <QString>

class QSaveFile;

namespace zv {

// Flushes and commits. Qt 6.4's commit() takes a failed final flush (the
// short write of a full disk or a file-size limit) for success and renames
// the cut file over the old one; so the flush is checked first, and on any
// failure the temporary file is discarded and the old file stays as it was.
// A file being replaced passes on its mode and owner; one without any write
// permission is left as it is ("Existing file ... is not writable"), also
// for root. *error gets the reason for the user.
bool commitSaveFile(QSaveFile& file, QString* error = nullptr);

// Why a write or flush on `file` failed: Qt's text, or the system's (from
// errnoAfterFailure) where Qt only knows "Unknown error".
QString writeErrorText(const QFileDevice& file, int errnoAfterFailure);

} // namespace zv
