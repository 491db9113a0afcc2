#include "sim/rig/sentence_rig.h"

#include <QDateTime>
#include <QStringList>

namespace zelvan {

bool setRigOption(RigOptions& options, const QString& name, const QString& value, QString* error)
{
    QString why;
    if (name == QLatin1String("time")) {
        const auto choice = parseTimeChoice(value, &why);
        if (choice)
            options.time = *choice;
    } else if (name == QLatin1String("faults")) {
        const auto plan = parseFaultPlan(value, &why);
        if (plan)
            options.faults = *plan;
    } else if (name == QLatin1String("seed")) {
        bool ok = false;
        const quint64 seed = value.trimmed().toULongLong(&ok, 10);
        if (ok)
            options.seed = seed;
        else
            why = QStringLiteral("\"%1\" is no whole number from 0 to 18446744073709551615").arg(value);
    } else {
        why = QStringLiteral("no rig option %1").arg(name);
    }
    if (error)
        *error = why;
    return why.isEmpty();
}

QString rigCaption(const RigOptions& options)
{
    if (!options.active())
        return QStringLiteral("Rig...");
    // Short enough for the window's command row at its narrowest; the whole
    // setting goes into rigArguments.
    QStringList parts;
    if (options.time.mode == TimeMode::Now)
        parts << QStringLiteral("now");
    else if (options.time.mode == TimeMode::Start)
        parts << QDateTime::fromMSecsSinceEpoch(options.time.startMs, Qt::UTC)
                     .toString(QStringLiteral("yyyy-MM-dd"));
    if (options.faults)
        parts << QStringLiteral("faults");
    return QStringLiteral("Rig: ") + parts.join(QStringLiteral(", "));
}

QString rigArguments(const RigOptions& options)
{
    QStringList args;
    if (options.time.mode != TimeMode::File)
        args << QStringLiteral("--time ") + timeChoiceText(options.time);
    if (options.faults)
        args << QStringLiteral("--faults ") + faultPlanText(*options.faults);
    if (options.seed)
        args << QStringLiteral("--seed %1").arg(*options.seed);
    return args.join(QLatin1Char(' '));
}

SentenceRig::SentenceRig(const RigOptions& options, std::function<qint64()> nowMs)
    : m_options(options), m_clock(options.time, std::move(nowMs))
{
    if (options.faults)
        m_faults.emplace(*options.faults, options.seed.value_or(0));
}

void SentenceRig::setReporter(std::function<void(const FaultEvent&)> report)
{
    if (m_faults)
        m_faults->setReporter(std::move(report));
}

void SentenceRig::beginEpoch()
{
    if (m_faults)
        m_faults->beginEpoch();
}

QList<QByteArray> SentenceRig::pass(const QByteArray& sentence)
{
    const QByteArray timed = m_clock.rewrite(sentence);
    if (!m_faults)
        return {timed};
    return m_faults->pass(timed);
}

QList<QByteArray> SentenceRig::release()
{
    return m_faults ? m_faults->release() : QList<QByteArray>{};
}

} // namespace zelvan
