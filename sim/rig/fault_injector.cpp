#include "sim/rig/fault_injector.h"

#include "common/nmea.h"
#include "sim/geometry/track_geometry.h"
#include "sim/rig/live_time.h"
#include "sim/rig/sentence_edit.h"

#include <cmath>
#include <numbers>

namespace zelvan {

namespace {

constexpr int kMaxGarbageBytes = 16;
// Talkers a change picks from (the sentence's own is never picked).
const char* const kTalkers[] = {"GP", "GN", "GL", "GA", "GB", "BD", "GQ", "GI"};

qint64 floorMod(qint64 a, qint64 b)
{
    const qint64 m = a % b;
    return m < 0 ? m + b : m;
}

// Where a sentence type keeps latitude, N/S, longitude, E/W: the first index.
int positionFieldOf(QByteArrayView type)
{
    if (type == "RMC")
        return 3;
    if (type == "GGA" || type == "GNS")
        return 2;
    if (type == "GLL")
        return 1;
    return 0;
}

void setIfPresent(SentenceFields& f, int i, const QByteArray& value)
{
    if (i < f.size())
        f[i] = value;
}

void clearPosition(SentenceFields& f, int first)
{
    for (int i = first; i < first + 4; ++i)
        setIfPresent(f, i, {});
}

QString elapsedText(qint64 ms)
{
    return QStringLiteral("+%1 s").arg(QString::number(double(ms) / 1000, 'f', 1));
}

} // namespace

quint64 FaultRandom::next()
{
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double FaultRandom::uniform()
{
    return double(next() >> 11) * 0x1.0p-53;
}

int FaultRandom::below(int n)
{
    return n <= 1 ? 0 : int(uniform() * n);
}

QString faultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::Checksum: return QStringLiteral("checksum");
    case FaultKind::Drop: return QStringLiteral("drop");
    case FaultKind::DropEpoch: return QStringLiteral("dropepoch");
    case FaultKind::Truncate: return QStringLiteral("truncate");
    case FaultKind::Garbage: return QStringLiteral("garbage");
    case FaultKind::Talker: return QStringLiteral("talker");
    case FaultKind::Jump: return QStringLiteral("jump");
    case FaultKind::Latency: return QStringLiteral("latency");
    case FaultKind::FixLoss: return QStringLiteral("fixloss");
    }
    return {};
}

QString faultEventText(const FaultEvent& e)
{
    QString shown;
    for (char c : e.sentence) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F)
            shown += QLatin1Char(c);
        else
            shown += QStringLiteral("\\x") + QString::fromLatin1(zv::hexByte(u));
    }
    QString text = QStringLiteral("epoch %1 %2: %3").arg(e.epoch).arg(elapsedText(e.elapsedMs), faultKindName(e.kind));
    if (!e.detail.isEmpty())
        text += QLatin1Char(' ') + e.detail;
    return text + QStringLiteral(": ") + shown;
}

FaultInjector::FaultInjector(const FaultPlan& plan, quint64 seed) : m_plan(plan)
{
    for (int k = 0; k < StreamCount; ++k)
        m_random[size_t(k)] = FaultRandom(FaultRandom(seed ^ (0xA0761D6478BD642FULL * quint64(k + 1))).next());
}

void FaultInjector::report(FaultKind kind, const QByteArray& sentence, const QString& detail)
{
    if (m_report)
        m_report(FaultEvent{kind, m_epoch, m_elapsedMs, sentence, detail});
}

void FaultInjector::startEpoch()
{
    ++m_epoch;
    m_epochPending = false;
    m_epochTimed = false;
    m_dropEpoch = m_random[SDropEpoch].chance(m_plan.dropEpoch);
    m_jumpBearing.reset();
    if (m_random[SJump].chance(m_plan.jump))
        m_jumpBearing = m_random[SJump].uniform() * 2 * std::numbers::pi;
    if (m_random[SLatency].chance(m_plan.latency) && !m_holding) {
        m_holding = true;
        m_holdEpoch = m_epoch;
        m_holdStartMs = m_elapsedMs;
    }
}

void FaultInjector::noteTime(const QByteArray& sentence)
{
    if (m_epochTimed)
        return;
    const auto t = sentenceTime(sentence);
    if (!t)
        return;
    // The clock runs forward only: a step back (a loop, a jump in the file)
    // counts as no time, one across midnight as the seconds it spans.
    if (m_lastMsOfDay) {
        const qint64 step = floorMod(t->msOfDay - *m_lastMsOfDay, kMsPerDay);
        m_elapsedMs += step > kMsPerDay / 2 ? 0 : step;
    }
    m_lastMsOfDay = t->msOfDay;
    m_epochTimed = true;
    if (m_holding && m_holdEpoch == m_epoch)
        m_holdStartMs = m_elapsedMs;
}

bool FaultInjector::inFixLoss() const
{
    for (const FixLossPeriod& p : m_plan.fixLoss)
        if (m_elapsedMs >= p.startMs && m_elapsedMs < p.startMs + p.lengthMs)
            return true;
    return false;
}

QList<QByteArray> FaultInjector::pass(const QByteArray& sentence)
{
    const bool firstOfEpoch = m_epochPending;
    if (m_epochPending)
        startEpoch();
    noteTime(sentence);

    // Every stream draws for every sentence, struck or not.
    const bool drop = m_random[SDrop].chance(m_plan.drop);
    int checksumFlip = 0;
    if (m_random[SChecksum].chance(m_plan.checksum))
        checksumFlip = 1 + m_random[SChecksum].below(255);
    std::optional<double> cut;
    if (m_random[STruncate].chance(m_plan.truncate))
        cut = m_random[STruncate].uniform();
    QByteArray garbage;
    if (m_random[SGarbage].chance(m_plan.garbage)) {
        const int n = 1 + m_random[SGarbage].below(kMaxGarbageBytes);
        for (int i = 0; i < n; ++i) {
            // Any byte but those that would open a sentence or end a line.
            unsigned c = unsigned(m_random[SGarbage].below(253));
            for (unsigned taken : {'\n', '\r', '$'}) // ascending
                if (c >= taken)
                    ++c;
            garbage += char(c);
        }
    }
    std::optional<int> talker;
    if (m_random[STalker].chance(m_plan.talker))
        talker = m_random[STalker].below(int(std::size(kTalkers)) - 1);

    QList<QByteArray> out;
    if (m_holding && m_epoch != m_holdEpoch && m_elapsedMs >= m_holdStartMs + m_plan.latencyMs && !m_held.isEmpty()) {
        report(FaultKind::Latency, m_held.first(),
               QStringLiteral("%1 sentences held back since epoch %2 sent late").arg(m_held.size()).arg(m_holdEpoch));
        out = std::exchange(m_held, {});
        m_holding = false;
    }
    if (firstOfEpoch && m_holding && m_holdEpoch == m_epoch)
        report(FaultKind::Latency, sentence, QStringLiteral("held back for %1 s").arg(double(m_plan.latencyMs) / 1000));
    if (m_dropEpoch) {
        report(FaultKind::DropEpoch, sentence, {});
        return out;
    }
    if (drop) {
        report(FaultKind::Drop, sentence, {});
        return out;
    }
    QByteArray line = sentence;
    if (inFixLoss()) {
        const QByteArray lost = withoutFix(line);
        if (lost != line) {
            line = lost;
            report(FaultKind::FixLoss, line, {});
        }
    }
    if (m_jumpBearing) {
        const QByteArray moved = withPositionMoved(line, m_plan.jumpMetres, *m_jumpBearing);
        if (moved != line) {
            line = moved;
            report(FaultKind::Jump, line,
                   QStringLiteral("%1 m towards %2°")
                       .arg(QString::number(m_plan.jumpMetres, 'g', 12))
                       .arg(qRound(*m_jumpBearing * 180 / std::numbers::pi) % 360));
        }
    }
    if (talker) {
        const QByteArray own = zv::sentenceTalker(line).toByteArray();
        if (!own.isEmpty()) {
            QList<QByteArray> others;
            for (const char* t : kTalkers)
                if (own != t)
                    others << t;
            const QByteArray chosen = others.value(qMin(*talker, int(others.size()) - 1));
            line = editSentence(line, [&chosen](SentenceFields& f) {
                f[0] = '$' + chosen + f[0].mid(3);
                return true;
            });
            report(FaultKind::Talker, line, QStringLiteral("%1 for %2").arg(QLatin1String(chosen), QLatin1String(own)));
        }
    }
    if (checksumFlip && zv::hasValidChecksum(line) && line.size() >= 3 && line[line.size() - 3] == '*') {
        const QByteArray right = line.right(2);
        line.chop(2);
        line += zv::hexByte(quint8(right.toUInt(nullptr, 16) ^ checksumFlip));
        report(FaultKind::Checksum, line,
               QStringLiteral("*%1 for *%2").arg(QLatin1String(line.right(2)), QLatin1String(right.toUpper())));
    }
    if (cut && line.size() >= 2) {
        const qsizetype keep = qBound(qsizetype(1), qsizetype(1 + *cut * double(line.size() - 1)), line.size() - 1);
        report(FaultKind::Truncate, line.left(keep),
               QStringLiteral("cut to %1 of %2 bytes").arg(keep).arg(line.size()));
        line.truncate(keep);
    }
    if (!garbage.isEmpty()) {
        line.prepend(garbage);
        report(FaultKind::Garbage, line, QStringLiteral("%1 bytes before the sentence").arg(garbage.size()));
    }
    if (m_holding)
        m_held << line;
    else
        out << line;
    return out;
}

QList<QByteArray> FaultInjector::release()
{
    if (!m_held.isEmpty())
        report(FaultKind::Latency, m_held.first(),
               QStringLiteral("%1 sentences held back since epoch %2 sent at the end")
                   .arg(m_held.size())
                   .arg(m_holdEpoch));
    m_holding = false;
    return std::exchange(m_held, {});
}

QByteArray withoutFix(const QByteArray& sentence)
{
    const QByteArray type = zv::sentenceType(sentence);
    return editSentence(sentence, [&](SentenceFields& f) {
        if (type == "RMC") {
            setIfPresent(f, 2, "V");
            clearPosition(f, 3);
            setIfPresent(f, 7, {});
            setIfPresent(f, 8, {});
            if (f.size() > 12 && !f[12].isEmpty())
                f[12] = "N";
            if (f.size() > 13 && !f[13].isEmpty())
                f[13] = "V";
        } else if (type == "GGA") {
            clearPosition(f, 2);
            setIfPresent(f, 6, "0");
            setIfPresent(f, 9, {});
        } else if (type == "GLL") {
            clearPosition(f, 1);
            setIfPresent(f, 6, "V");
            if (f.size() > 7 && !f[7].isEmpty())
                f[7] = "N";
        } else if (type == "GNS") {
            clearPosition(f, 2);
            if (f.size() > 6)
                f[6] = QByteArray(qMax(qsizetype(1), f[6].size()), 'N');
            setIfPresent(f, 9, {});
        } else if (type == "GSA") {
            setIfPresent(f, 2, "1");
        } else {
            return false;
        }
        return true;
    });
}

QByteArray withPositionMoved(const QByteArray& sentence, double metres, double bearing)
{
    const int at = positionFieldOf(zv::sentenceType(sentence));
    if (at == 0)
        return sentence;
    return editSentence(sentence, [&](SentenceFields& f) {
        if (f.size() < at + 4)
            return false;
        const auto lat = parseCoordinate(f[at], f[at + 1], true);
        const auto lon = parseCoordinate(f[at + 2], f[at + 3], false);
        if (!lat || !lon)
            return false;
        // The great-circle destination.
        const double d = metres / kMeanEarthRadiusM;
        const double p1 = *lat * std::numbers::pi / 180, l1 = *lon * std::numbers::pi / 180;
        const double p2 = std::asin(std::sin(p1) * std::cos(d) + std::cos(p1) * std::sin(d) * std::cos(bearing));
        double l2 = l1
            + std::atan2(std::sin(bearing) * std::sin(d) * std::cos(p1), std::cos(d) - std::sin(p1) * std::sin(p2));
        l2 = std::remainder(l2, 2 * std::numbers::pi);
        const double newLat = p2 * 180 / std::numbers::pi, newLon = l2 * 180 / std::numbers::pi;
        f[at] = coordinateText(newLat, true, qMin(decimalsOf(f[at]), 9));
        f[at + 1] = hemisphereText(newLat, true);
        f[at + 2] = coordinateText(newLon, false, qMin(decimalsOf(f[at + 2]), 9));
        f[at + 3] = hemisphereText(newLon, false);
        return true;
    });
}

} // namespace zelvan
