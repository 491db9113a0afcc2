#include "sim/tracks/track_format.h"

#include "common/text_lines.h"
#include "sim/tracks/track_text.h"

namespace zelvan {
namespace tracktext {

bool startsWithNumber(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i < text.size() && text[i] == '.')
        ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

bool isDecimalNumber(QByteArrayView text)
{
    return startsWithNumber(text) && text.contains('.');
}

QList<QByteArrayView> commaFields(QByteArrayView line)
{
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ',') {
            fields.append(line.sliced(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

} // namespace tracktext

using namespace tracktext;

namespace {

bool startsWith(QByteArrayView line, const char* prefix)
{
    return line.startsWith(QByteArrayView(prefix));
}

// OziExplorer records as GPSBabel and other writers without padding write
// them: "0.003000,-0.003000,1,39.4,38352.9986111,,". The header's track line
// ("0,2,255,NAME,...") has no decimal point in its first two fields.
bool isUnpaddedOziRecord(QByteArrayView line)
{
    if (line.isEmpty() || line[0] == ' ')
        return false;
    const auto fields = commaFields(line);
    return fields.size() >= 5 && isDecimalNumber(fields[0]) && isDecimalNumber(fields[1])
        && startsWithNumber(fields[4]);
}

// A KML coordinate tuple "lon,lat[,alt]": two leading numbers, comma-joined.
bool isKmlTuple(QByteArrayView line)
{
    const QByteArrayView text = withoutIndent(line);
    if (text.isEmpty() || text[0] == '<')
        return false;
    const qsizetype comma = text.indexOf(',');
    return comma > 0 && startsWithNumber(text.first(comma)) && startsWithNumber(text.sliced(comma + 1));
}

} // namespace

QString trackFormatName(TrackFormat format)
{
    switch (format) {
    case TrackFormat::Kml: return QStringLiteral("KML");
    case TrackFormat::OziExplorer: return QStringLiteral("OziExplorer");
    case TrackFormat::TtqvPcx: return QStringLiteral("TTQV-PCX");
    case TrackFormat::Pcx5: return QStringLiteral("PCX5");
    case TrackFormat::Gardown: return QStringLiteral("Gardown");
    case TrackFormat::G7To: return QStringLiteral("G7To");
    case TrackFormat::G7ToWin: return QStringLiteral("G7ToWin");
    case TrackFormat::Zelvan: return QStringLiteral("Zelvan");
    case TrackFormat::None: break;
    }
    return QString();
}

char recordLeadOf(TrackFormat format)
{
    return format == TrackFormat::Kml || format == TrackFormat::OziExplorer ? ' ' : 'T';
}

QByteArrayView withoutIndent(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return line.sliced(i);
}

TrackFormat formatFromFirstRecord(QByteArrayView record)
{
    TrackFormat format = TrackFormat::None;
    if (charAt(record, 42) == ':')
        format = TrackFormat::Gardown;
    if (charAt(record, 54) == ';')
        format = TrackFormat::G7To;
    if (charAt(record, 47) == ':')
        format = TrackFormat::G7ToWin;
    if (charAt(record, 41) == ':')
        format = TrackFormat::Pcx5;
    if (charAt(record, 4) == '+')
        format = TrackFormat::TtqvPcx;
    return format;
}

bool TrackFormatDetector::feed(QByteArrayView line)
{
    if (line.contains(QByteArrayView("Zelvan"))) {
        m_ownHeader = true;
        m_result.format = TrackFormat::Zelvan;
    }
    if (startsWith(line, "OziEx")) {
        m_result.format = TrackFormat::OziExplorer;
        m_result.recordLead = ' ';
        return true;
    }
    if (startsWith(line, "<kml ")) {
        m_result.format = TrackFormat::Kml;
        m_result.recordLead = ' ';
        return true;
    }
    if (auto name = trackNameOf(line))
        m_result.trackName = *name;
    if (line.isEmpty() || line[0] != m_result.recordLead)
        return false;
    if (!m_ownHeader)
        m_result.format = formatFromFirstRecord(line);
    return true;
}

TrackDetection detectTrackFormat(zv::LineReader& reader, char recordLead)
{
    TrackFormatDetector detector(recordLead);
    QByteArray line;
    while (reader.readLine(line)) {
        if (detector.feed(line))
            return detector.result();
    }
    detector.finishAtEnd();
    return detector.result();
}

ProbeStep probeTrackLine(QByteArrayView line, char recordLead)
{
    ProbeStep step;
    step.recordLead = recordLead;
    if (line.isEmpty())
        return step;
    if (line[0] == '$') {
        step.kind = ProbeStep::NmeaLog;
        return step;
    }
    if (auto name = trackNameOf(line))
        step.trackName = *name;
    if (startsWith(line, "OziEx")) {
        step.kind = ProbeStep::TrackFile;
        step.recordLead = ' ';
        step.formatHint = TrackFormat::OziExplorer;
    } else if (startsWith(line, "<kml ")) {
        step.kind = ProbeStep::TrackFile;
        step.recordLead = ' ';
        step.formatHint = TrackFormat::Kml;
    } else if (line[0] == recordLead) {
        step.kind = ProbeStep::TrackFile;
    }
    return step;
}

bool isTrackRecordLine(QByteArrayView line, TrackFormat format, char recordLead)
{
    if (format == TrackFormat::Kml)
        return isKmlTuple(line);
    if (line.isEmpty())
        return false;
    if (format == TrackFormat::OziExplorer)
        return line[0] == ' ' || isUnpaddedOziRecord(line);
    return line[0] == recordLead;
}

std::optional<QByteArray> trackNameOf(QByteArrayView line)
{
    if (line.isEmpty() || line[0] != 'L')
        return std::nullopt;
    return line.size() > 14 ? line.sliced(14).toByteArray() : QByteArray();
}

bool isSegmentMark(QByteArrayView line)
{
    return !line.isEmpty() && line[0] == 'N';
}

bool isOziTrackBreak(QByteArrayView line)
{
    const auto fields = commaFields(line);
    return fields.size() >= 3 && fields[2].trimmed() == "1";
}

} // namespace zelvan
