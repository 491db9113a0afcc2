#include "sim/rig/fault_plan.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace zelvan {

namespace {

const char* const kNames = "checksum, drop, dropepoch, truncate, garbage, talker, jump, latency, fixloss";

std::optional<double> number(const QString& text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(v) || v < 0)
        return std::nullopt;
    return v;
}

std::optional<double> rate(QString text)
{
    double scale = 1;
    if (text.endsWith(QLatin1Char('%'))) {
        text.chop(1);
        scale = 0.01;
    }
    const auto v = number(text);
    if (!v || *v * scale > 1)
        return std::nullopt;
    return *v * scale;
}

// The number before a unit from `units` (the first is the default).
std::optional<double> measure(const QString& text, std::initializer_list<std::pair<const char*, double>> units)
{
    // Longest units first, so that "ms" is not read as "m" + "s".
    const std::pair<const char*, double>* found = nullptr;
    for (const auto& u : units)
        if (text.endsWith(QLatin1String(u.first), Qt::CaseInsensitive)
            && (!found || qstrlen(u.first) > qstrlen(found->first)))
            found = &u;
    const QString digits = found ? text.chopped(qsizetype(qstrlen(found->first))) : text;
    const auto v = number(digits.trimmed());
    if (!v)
        return std::nullopt;
    return *v * (found ? found->second : units.begin()->second);
}

std::optional<qint64> duration(const QString& text)
{
    const auto ms = measure(text, {{"s", 1000.0}, {"ms", 1.0}, {"min", 60000.0}, {"h", 3600000.0}});
    if (!ms || *ms > 1e12)
        return std::nullopt;
    return qint64(std::llround(*ms));
}

std::optional<double> distance(const QString& text)
{
    return measure(text, {{"m", 1.0}, {"km", 1000.0}, {"nm", 1852.0}});
}

QString rateText(double r)
{
    return QString::number(r, 'g', 12);
}

QString durationText(qint64 ms)
{
    if (ms % 1000 == 0)
        return QString::number(ms / 1000) + QLatin1Char('s');
    return QString::number(ms) + QStringLiteral("ms");
}

} // namespace

std::optional<FaultPlan> parseFaultPlan(const QString& text, QString* error)
{
    auto fail = [error](const QString& message) -> std::optional<FaultPlan> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    FaultPlan plan;
    QStringList seen;
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (items.isEmpty())
        return fail(QStringLiteral("no fault given (%1)").arg(QLatin1String(kNames)));
    for (const QString& raw : items) {
        const QString item = raw.trimmed();
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QString name = (eq < 0 ? item : item.left(eq)).trimmed().toLower();
        const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        static const QStringList rates = {QStringLiteral("checksum"), QStringLiteral("drop"),
                                          QStringLiteral("dropepoch"), QStringLiteral("truncate"),
                                          QStringLiteral("garbage"),  QStringLiteral("talker")};
        const bool known = rates.contains(name) || name == QLatin1String("jump") || name == QLatin1String("latency")
            || name == QLatin1String("fixloss");
        if (!known)
            return fail(QStringLiteral("\"%1\" is no fault; faults are %2").arg(name, QLatin1String(kNames)));
        if (eq < 0 || value.isEmpty())
            return fail(QStringLiteral("%1 needs a value, such as %2")
                            .arg(name, name == QLatin1String("jump")      ? QStringLiteral("jump=0.01:200m")
                                     : name == QLatin1String("latency") ? QStringLiteral("latency=0.01:3s")
                                     : name == QLatin1String("fixloss") ? QStringLiteral("fixloss=120s+30s")
                                                                        : name + QStringLiteral("=0.01")));
        if (name != QLatin1String("fixloss")) {
            if (seen.contains(name))
                return fail(QStringLiteral("%1 is given twice").arg(name));
            seen << name;
        }
        const QString badRate = QStringLiteral("%1: \"%2\" is no rate (0..1 or 0%..100%)");
        if (rates.contains(name)) {
            const auto r = rate(value);
            if (!r)
                return fail(badRate.arg(name, value));
            double* target[] = {&plan.checksum, &plan.drop,    &plan.dropEpoch,
                                &plan.truncate, &plan.garbage, &plan.talker};
            *target[rates.indexOf(name)] = *r;
        } else if (name == QLatin1String("jump") || name == QLatin1String("latency")) {
            const bool jump = name == QLatin1String("jump");
            const qsizetype colon = value.indexOf(QLatin1Char(':'));
            if (colon < 0)
                return fail(jump ? QStringLiteral("jump: \"%1\" is not RATE:DISTANCE, such as 0.01:200m").arg(value)
                                 : QStringLiteral("latency: \"%1\" is not RATE:TIME, such as 0.01:3s").arg(value));
            const auto r = rate(value.left(colon));
            if (!r)
                return fail(badRate.arg(name, value.left(colon)));
            const QString amount = value.mid(colon + 1);
            if (jump) {
                const auto d = distance(amount);
                if (!d || *d <= 0 || *d > 20'000'000)
                    return fail(
                        QStringLiteral("jump: \"%1\" is no distance (m, km or nm, up to 20000 km)").arg(amount));
                plan.jump = *r;
                plan.jumpMetres = *d;
            } else {
                const auto t = duration(amount);
                if (!t || *t <= 0)
                    return fail(QStringLiteral("latency: \"%1\" is no time (ms, s, min or h)").arg(amount));
                plan.latency = *r;
                plan.latencyMs = *t;
            }
        } else {
            const qsizetype plus = value.indexOf(QLatin1Char('+'));
            const auto start = plus < 0 ? std::nullopt : duration(value.left(plus));
            const auto length = plus < 0 ? std::nullopt : duration(value.mid(plus + 1));
            if (!start || !length || *length <= 0)
                return fail(QStringLiteral("fixloss: \"%1\" is not START+LENGTH, such as 120s+30s").arg(value));
            plan.fixLoss.append({*start, *length});
        }
    }
    return plan;
}

QString faultPlanText(const FaultPlan& s)
{
    QStringList items;
    const std::pair<const char*, double> rates[] = {{"checksum", s.checksum}, {"drop", s.drop},
                                                    {"dropepoch", s.dropEpoch}, {"truncate", s.truncate},
                                                    {"garbage", s.garbage}, {"talker", s.talker}};
    for (const auto& [name, r] : rates)
        if (r > 0)
            items << QLatin1String(name) + QLatin1Char('=') + rateText(r);
    if (s.jump > 0)
        items << QStringLiteral("jump=%1:%2m").arg(rateText(s.jump), QString::number(s.jumpMetres, 'g', 12));
    if (s.latency > 0)
        items << QStringLiteral("latency=%1:%2").arg(rateText(s.latency), durationText(s.latencyMs));
    for (const FixLossPeriod& p : s.fixLoss)
        items << QStringLiteral("fixloss=%1+%2").arg(durationText(p.startMs), durationText(p.lengthMs));
    return items.join(QLatin1Char(','));
}

} // namespace zelvan
