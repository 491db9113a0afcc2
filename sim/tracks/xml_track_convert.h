#pragma once
// GPX and KML tracks replayed through the program's own track format: the
// tracks read from the XML are written into a companion file (header lines,
// "L" track names, "N" segment marks, "T" records) that the loader then
// replays like a downloaded track.
#include "sim/tracks/xml_track.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class QIODevice;

namespace zelvan {

// A point's record line, e.g.
// "T  N48 07.0380 E011 34.5678 Mon Jan 05 12:34:56 2005 ;519;".
// The replay reads three decimals of the minutes, so they are rounded at the
// third (the fourth is "0"); "1e25" stands for no altitude. A point without
// a time of its own is marked "no time" after the altitude: the replay sends
// the time made up for it but derives no speed from it.
QByteArray ownTrackRecordLine(const XmlTrackPoint& point, const QDateTime& utc);

// The time each point is replayed with, in file order over all tracks and
// segments. Points with a time keep it. A file without any time runs from
// `nowUtc` (whole seconds) at one second per point, so that the replay carries
// a current date (but no speed: see ownTrackRecordLine). Single points
// without a time in a timed file follow the previous point by one second (or
// precede the first timed point by one second each).
QList<QDateTime> replayTimes(const XmlTrackData& data, const QDateTime& nowUtc);

// The whole own-format text: "I Zelvan V<version>", "# <local date and time>
//  Local Time", a line naming the source, then per track "L  New Header: "
// + name and per segment "N  New Track Segment" followed by its records.
bool writeOwnTrack(QIODevice& out, const XmlTrackData& data, const QString& sourceName, const QDateTime& now,
                   const KeepGoing& keepGoing = {});

// Whether the loader hands the file to prepareXmlTrack(): *.gpx and *.kml in
// any case.
bool isXmlTrackCandidate(const QString& path);

// The companion's name: the source's folder, its file name up to the last
// "." and ".ZVT" (an extension no file list shows, so the companion cannot be
// picked while it replays). When that name is taken, "<name>~N.ZVT"; when the
// folder is not writable, the same in the temporary folder. Never an
// existing file.
QString companionTrackPath(const QString& sourcePath);

struct XmlTrackConversion {
    enum Status {
        NotNeeded, // a KML the line-by-line reading replays exactly: load it as it is
        Converted, // companionPath holds the tracks; delete it when the replay stops
        Failed,    // errorText says why; nothing was written
    };
    Status status = Failed;
    QString companionPath;
    QString errorText;
    int tracks = 0;
    int segments = 0;
    int points = 0;
    int skippedPoints = 0;  // positions missing or impossible in the source
    int untimedPoints = 0;  // points that got a made-up time
};

// The loader's hook for a *.gpx or *.kml file. A GPX file is always
// converted. A KML file is converted when the line-by-line reading would
// replay something else: several tuples on a line, tuples on tag lines,
// gx:Track times, several LineStrings, no "<kml " line start, points or
// outlines outside LineStrings; otherwise NotNeeded. A malformed KML that
// the line-by-line reading still recognises stays NotNeeded as well.
// `nowUtc` dates files without times and the header's local time.
XmlTrackConversion prepareXmlTrack(const QString& path, const QDateTime& nowUtc, const KeepGoing& keepGoing = {});

// Logs saved as UTF-16 (a byte-order mark first, as Windows editors write
// them) are read through a Latin-1 companion with the same name rule;
// characters beyond Latin-1 become "?". NotNeeded for any other file.
XmlTrackConversion prepareUtf16Text(const QString& path, const KeepGoing& keepGoing = {});

} // namespace zelvan
