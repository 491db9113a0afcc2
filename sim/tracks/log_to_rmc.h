#pragma once
// Rewriting an NMEA log that has GGA and VTG but no RMC: a companion file in
// which every GGA after the first VTG with a speed is preceded by an RMC.
#include <QDate>
#include <QString>
#include <functional>

namespace zelvan {

struct LogConversion {
    enum Status {
        Converted,   // companion written, holds RMC sentences
        NoRmc,       // no GGA followed a VTG: nothing to replay (companion removed)
        ReadFailed,  // the log could not be opened
        WriteFailed, // no companion could be created
        Stopped,     // keepGoing said no: nothing left behind
    };
    Status status = ReadFailed;
    QString companionPath; // the file the program created; delete it at stop
    int rmcWritten = 0;
    QString errorText;     // for the failures
};

// The companion's name: the log's directory, its file name up to the last
// "." and ".RMC". When that path is taken (or is the log itself), a free
// name "<name>~N.RMC" is used; when the folder is not writable, the same
// in the temporary folder. Never names an existing file.
QString companionRmcPath(const QString& logPath);

// Writes the companion (CR LF lines) and reports what happened. `today` gives
// the date the RMC sentences carry.
// keepGoing is asked now and then; false stops the conversion (Stopped,
// nothing left behind).
LogConversion convertLogToRmc(const QString& logPath, const QDate& today, const std::function<bool()>& keepGoing = {});

} // namespace zelvan
