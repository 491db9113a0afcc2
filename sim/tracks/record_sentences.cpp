#include "sim/tracks/record_sentences.h"

#include "common/nmea.h"

namespace zelvan {
namespace {
QByteArray letter(char hemisphere)
{
    return hemisphere ? QByteArray(1, hemisphere) : QByteArray();
}
} // namespace

RecordSentences composeRecordSentences(const TrackRecord& r, QByteArrayView talker)
{
    QByteArray time = r.timeText;
    QByteArray date = r.recordDate;
    if (date.endsWith("1989")) {
        date.clear();
        time = "000000";
    }
    const QByteArray ddmmyy = date.isEmpty() ? QByteArray() : date.left(4) + date.right(2);
    const QByteArray position = r.latText + ',' + letter(r.latHemisphere) + ',' + r.lonText + ','
        + letter(r.lonHemisphere);
    const QByteArray t = talker.toByteArray();
    RecordSentences out;
    out.rmc = zv::frameSentence(t + "RMC," + time + ",A," + position + ',' + r.speedKnotsText + ',' + r.courseText
                                + ',' + ddmmyy + ",000.0,E");
    out.gga = zv::frameSentence(t + "GGA," + time + ',' + position + ",1,12,1.0," + r.altitudeField + ",M,,M,,");
    out.vtg = zv::frameSentence(t + "VTG," + r.courseText + ",T,,M," + r.speedKnotsText + ",N," + r.speedKmhText
                                + ",K");
    return out;
}

} // namespace zelvan
