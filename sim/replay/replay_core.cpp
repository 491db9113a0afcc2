#include "sim/replay/replay_core.h"

#include "common/nmea.h"
#include "common/number_text.h"

#include <cmath>

namespace zelvan {

LogLineKind classifyLogLine(QByteArrayView line)
{
    // Sentence types are recognised whatever the talker: a multi-constellation
    // receiver says "$GNGGA", "$GLGSV", "$BDGSA" where a GPS-only one says "$GP...".
    // An RMC that reaches the selection did not open an epoch: it is garbled
    // before its fields, and a second RMC in an epoch would mislead a peer.
    if (zv::isSentence(line, "RMC"))
        return LogLineKind::Junk;
    if (zv::isSentence(line, "GGA"))
        return LogLineKind::Gga;
    if (zv::isSentence(line, "VTG"))
        return LogLineKind::Vtg;
    if (zv::isSentence(line, "RMB"))
        return LogLineKind::Rmb;
    if (zv::isSentence(line, "GSA"))
        return LogLineKind::Gsa;
    if (zv::isSentence(line, "GSV"))
        return LogLineKind::Gsv;
    if (line.startsWith("$PGRMM"))
        return LogLineKind::Pgrmm;
    if (zv::isSentence(line, "TXT"))
        return LogLineKind::Txt;
    if (line.startsWith("$PHSMI"))
        return LogLineKind::Phsmi;
    if (line.startsWith("$G") || line.startsWith("$P") || !zv::sentenceTalker(line).isEmpty())
        return LogLineKind::OtherTalker;
    return LogLineKind::Junk;
}

LogLineChoice selectLogLine(QByteArrayView line, const DataSelection& data, bool equ,
                            QByteArrayView epochTimePos)
{
    LogLineChoice c;
    if (line.size() > kMaxPassedLine)
        return c; // junk: no side effects, not passed on
    c.kind = classifyLogLine(line);
    c.out = line.toByteArray();
    const bool align = equ && !epochTimePos.isEmpty();
    switch (c.kind) {
    case LogLineKind::Gga:
        c.passOn = data[DataGga];
        if (c.passOn && align)
            c.out = alignGga(line, epochTimePos);
        break;
    case LogLineKind::Vtg: c.passOn = data[DataVtg]; break;
    case LogLineKind::Rmb: c.passOn = data[DataRmb]; break;
    case LogLineKind::Gsa: c.passOn = data[DataGsa]; break;
    case LogLineKind::Gsv: c.passOn = data[DataGsv]; break;
    case LogLineKind::Pgrmm: c.passOn = data[DataOth]; break;
    case LogLineKind::Txt: c.passOn = data[DataOth]; break;
    case LogLineKind::Phsmi: c.passOn = false; break;
    case LogLineKind::OtherTalker:
        c.passOn = data[DataOth];
        if (c.passOn && align && zv::isSentence(line, "GLL"))
            c.out = alignGll(line, epochTimePos);
        break;
    case LogLineKind::Junk: c.passOn = false; break;
    }
    return c;
}

namespace {

// Index of the n-th comma (1-based) of a text, -1 when there are fewer.
qsizetype nthComma(QByteArrayView text, int n, qsizetype from = 0)
{
    qsizetype p = from - 1;
    for (int i = 0; i < n; ++i) {
        p = text.indexOf(',', p + 1);
        if (p < 0)
            return -1;
    }
    return p;
}

// "$" + body + "*" + checksum, for a line whose body runs from index 1 to `star`.
QByteArray reframe(QByteArrayView lineUpToStar)
{
    return zv::frameSentence(lineUpToStar.sliced(1));
}

// The sentence's fields end at its "*": commas after it are no fields.
QByteArrayView sentenceBody(QByteArrayView line)
{
    const qsizetype star = line.indexOf('*');
    return star < 0 ? line : line.first(star);
}

} // namespace

QByteArray alignGga(QByteArrayView line, QByteArrayView epochTimePos)
{
    const QByteArrayView body = sentenceBody(line);
    const qsizetype p = nthComma(body, 6);
    if (p < 0 || body.size() < 7)
        return line.toByteArray();
    const qsizetype s = body.size();
    QByteArray out = line.first(7).toByteArray();
    out += epochTimePos;
    out += line.sliced(p, s - p);
    return reframe(out);
}

QByteArray alignGll(QByteArrayView line, QByteArrayView epochTimePos)
{
    const QByteArrayView body = sentenceBody(line);
    const qsizetype p = nthComma(body, 5);
    const qsizetype q = epochTimePos.indexOf(',');
    if (p < 0 || q < 0 || body.size() < 7)
        return line.toByteArray();
    const qsizetype s = body.size();
    QByteArray out = line.first(7).toByteArray();
    out += epochTimePos.sliced(q + 1);
    out += line.sliced(p, s - p);
    return reframe(out);
}

qsizetype heldSentence(QByteArrayView line, QByteArrayView type)
{
    if (line.size() > kMaxPassedLine || line.startsWith('#'))
        return -1;
    for (qsizetype at = zv::findSentence(line, type); at >= 0;) {
        // "$" + talker + type, then "," and a first field (time or course, up
        // to the next "," or "*" or the end) that is empty or holds a digit,
        // however sloppily written ("222517 ", "222515.x"), and names no
        // other sentence: "$GPRMC, $GPGGA" and "$GPRMC,hhmmss,..." are text.
        qsizetype i = at + 3 + type.size();
        bool sentence = i < line.size() && line[i] == ',';
        const qsizetype from = ++i;
        bool digit = false;
        for (; sentence && i < line.size() && line[i] != ',' && line[i] != '*'; ++i) {
            digit = digit || (line[i] >= '0' && line[i] <= '9');
            sentence = line[i] != '$';
        }
        if (sentence && (digit || i == from))
            return at;
        const qsizetype next = zv::findSentence(line.sliced(at + 1), type);
        at = next < 0 ? -1 : at + 1 + next;
    }
    return -1;
}

QString statusTextOf(QByteArrayView txtLine)
{
    return QString::fromLatin1(txtLine.sliced(std::min<qsizetype>(7, txtLine.size())));
}

QByteArray rmcSentence(QByteArrayView line)
{
    const qsizetype at = rmcStart(line);
    return line.sliced(at < 0 ? 0 : at).toByteArray();
}

QByteArray rmcField(QByteArrayView rmcLine, int n)
{
    const qsizetype at = rmcStart(rmcLine);
    return zv::sentenceField(rmcLine.sliced(at < 0 ? 0 : at), n);
}

QByteArray epochTimePosOf(QByteArrayView rmcLine)
{
    qsizetype at = rmcStart(rmcLine);
    if (at < 0)
        return {};
    // Only the fields count: an RMC garbled before its first comma
    // ("$GPRMCtion* x,...") must not lend its "*" to the aligned GGA.
    const QByteArrayView rmc = sentenceBody(rmcLine.sliced(at));
    if (rmc.size() < 8)
        return {};
    // Time field from the 8th character, then "," + lat,N/S,lon,E/W: the
    // text from two characters after the time's comma to the fifth comma
    // after it.
    const qsizetype timeEnd = rmc.indexOf(',', 7);
    if (timeEnd < 0)
        return {};
    QByteArray out = rmc.sliced(7, timeEnd - 7).toByteArray();
    const qsizetype from = timeEnd + 2;
    if (from >= rmc.size())
        return out;
    qsizetype to = nthComma(rmc, 5, timeEnd + 1);
    const qsizetype star = rmc.indexOf('*', from);
    if (to < 0 || (star >= 0 && star < to))
        to = star < 0 ? rmc.size() : star;
    if (to > from)
        out += rmc.sliced(from, to - from);
    return out;
}

QByteArray rmcClockText(QByteArrayView rmcLine)
{
    // By field, never by column: an RMC without a time must not lend the
    // clock characters of its status and latitude.
    return rmcField(rmcLine, 1).left(6);
}

// Minutes after the degree digits, whatever number of decimals the receiver writes.
double latitudeMinutes(QByteArrayView field)
{
    if (field.isEmpty())
        return 0;
    return zv::leadingNumber(field.first(std::min<qsizetype>(2, field.size()))) * 60.0
        + (field.size() > 2 ? zv::leadingNumber(field.sliced(2)) : 0.0);
}

double longitudeMinutes(QByteArrayView field)
{
    if (field.isEmpty())
        return 0;
    return zv::leadingNumber(field.first(std::min<qsizetype>(3, field.size()))) * 60.0
        + (field.size() > 3 ? zv::leadingNumber(field.sliced(3)) : 0.0);
}

int kmhFromKnots(QByteArrayView knots)
{
    const double v = std::floor(zv::leadingNumber(knots) * 1.852 + 0.5);
    if (!std::isfinite(v) || v > 1e9 || v < -1e9)
        return 0;
    return static_cast<int>(v);
}

QByteArray synthesizeVtg(QByteArrayView courseText, QByteArrayView knotsText, int kmh, QByteArrayView talker)
{
    QByteArray body = talker.toByteArray() + "VTG,";
    body += courseText;
    body += ",T,,M,";
    body += knotsText;
    body += ",N,";
    body += QByteArray::number(kmh);
    body += ",K";
    return zv::frameSentence(body);
}

QByteArray ggaWithRmcPosition(QByteArrayView gga, QByteArrayView rmc)
{
    const qsizetype ggaFrom = nthComma(gga, 2);  // before latitude
    const qsizetype ggaTo = nthComma(gga, 6);    // after E/W
    const qsizetype at = rmcStart(rmc);
    if (ggaFrom < 0 || ggaTo < 0 || at < 0)
        return gga.toByteArray();
    const QByteArrayView r = rmc.sliced(at);
    const qsizetype rmcFrom = nthComma(r, 3);
    const qsizetype rmcTo = nthComma(r, 7);
    if (rmcFrom < 0 || rmcTo < 0)
        return gga.toByteArray();
    QByteArray out = gga.first(ggaFrom).toByteArray();
    out += r.sliced(rmcFrom, rmcTo - rmcFrom);
    out += gga.sliced(ggaTo);
    return out;
}

QByteArray pausedGga(QByteArrayView gga)
{
    if (!gga.startsWith("$"))
        return {};
    qsizetype s = gga.indexOf('*');
    if (s < 0)
        s = gga.size();
    return reframe(gga.first(s));
}

QByteArray pausedVtg(QByteArrayView vtg)
{
    if (!vtg.startsWith("$") || vtg.size() < 8)
        return {};
    // The "T" of the true course, before the checksum: a VTG cut short after
    // it ("$GPVTG,054.7,T*hh") must not carry its "*" into the new body.
    const qsizetype star = vtg.indexOf('*');
    const qsizetype end = star < 0 ? vtg.size() : star;
    const qsizetype t = vtg.indexOf('T', 7);
    if (t < 0 || t >= end)
        return {};
    QByteArray body = vtg.sliced(1, t).toByteArray(); // through the "T"
    body += ",,M,0,N,0,K";
    return zv::frameSentence(body);
}

int compassNeedle(double courseDeg)
{
    double v = std::floor(courseDeg + 90.0);
    if (!std::isfinite(v))
        return 90;
    v = std::fmod(v, 360.0);
    if (v < 0)
        v += 360.0;
    return static_cast<int>(v);
}

Pace paceForChoice(int index)
{
    static constexpr Pace table[8] = {{8, 100}, {4, 100}, {2, 100}, {1, 100},
                                      {1, 1000}, {1, 2000}, {1, 4000}, {1, 8000}};
    if (index < 0 || index > 7)
        return {1, 1000};
    return table[index];
}

std::int32_t gaugeClickRecord(std::int32_t recordTotal, int gaugeWidth, int x)
{
    if (gaugeWidth <= 0)
        return 0;
    const double v = std::floor(static_cast<double>(recordTotal) / gaugeWidth * x * 1.02);
    if (v < 0)
        return 0;
    return v > 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(v);
}

QByteArray speedReadout(double kmh, bool metric)
{
    if (metric)
        return zv::trimmedNumberText(kmh).toLatin1();
    return QByteArray::number(zv::roundHalfEven(kmh * 0.6214));
}

} // namespace zelvan
