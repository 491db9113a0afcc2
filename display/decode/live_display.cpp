#include "display/decode/live_display.h"

#include "common/number_text.h"
#include "display/intake/intake.h"

#include <QTime>

namespace vur {

LiveDisplay::LiveDisplay(Intake* intake, LiveDisplayView* view, QObject* parent)
    : QObject(parent), m_intake(intake), m_view(view),
      m_clock([] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; })
{
}

void LiveDisplay::connectToIntake()
{
    m_intake->setHandler(SentenceType::RMC, [this](const QByteArray& s) { onRmc(s); });
    m_intake->setHandler(SentenceType::RMB, [this](const QByteArray& s) { onRmb(s); });
    m_intake->setHandler(SentenceType::GGA, [this](const QByteArray& s) { onGga(s); });
    m_intake->setHandler(SentenceType::GSA, [this](const QByteArray& s) { onGsa(s); });
    m_intake->setHandler(SentenceType::GSV, [this](const QByteArray& s) { onGsv(s); });
    m_intake->setHandler(SentenceType::VTG, [this](const QByteArray& s) { onVtg(s); });
}

void LiveDisplay::onGga(const QByteArray& sentence)
{
    const SentenceFields fields(sentence);
    const GgaOutcome out = decodeGga(fields, m_state);
    if (out.altitudeRead) {
        if (m_tick.altSampleDue) {
            m_intake->typeStep(SentenceType::GGA);
            m_tick.altSampleDue = false;
            if (m_hooks.altitudeSample)
                m_hooks.altitudeSample();
        }
        if (m_hooks.altitudeRead)
            m_hooks.altitudeRead();
    }
    show();
}

void LiveDisplay::onGsv(const QByteArray& sentence)
{
    m_intake->typeStep(SentenceType::GSV);
    decodeGsv(SentenceFields(sentence), m_state);
}

void LiveDisplay::onGsa(const QByteArray& sentence)
{
    m_intake->typeStep(SentenceType::GSA);
    GsaOutcome out = decodeGsa(SentenceFields(sentence), m_state);
    if (m_view)
        m_view->showSatellites(out.bars, m_state.gpsl);
    show();
}

void LiveDisplay::onRmc(const QByteArray& sentence)
{
    const SentenceFields fields(sentence);
    if (!decodesRmc(fields, m_state))
        return;
    if (takeSampleTick(m_tick, m_clock()) && m_intake->logMode() != 0)
        m_intake->setAllLogNext();
    // The trigger compares the course of the previous RMC: this one's
    // fields are not read yet.
    if (takeCourseTrigger(m_tick, m_state.courseInt, m_intake->logMode()))
        m_intake->setAllLogNext();
    const bool logging = m_intake->logNext(SentenceType::RMC);
    m_intake->typeStep(SentenceType::RMC);
    if (logging && m_hooks.rmcLogged)
        m_hooks.rmcLogged();

    decodeRmc(fields, m_state);
    if (m_hooks.speedSample)
        m_hooks.speedSample();
    if (m_hooks.distance)
        m_hooks.distance(static_cast<int>(zv::leadingNumber(sentence.mid(11, 2))));
    if (m_hooks.positionUpdated)
        m_hooks.positionUpdated();
    show();
}

void LiveDisplay::onRmb(const QByteArray& sentence)
{
    if (!acceptsRmc(m_state))
        return;
    m_intake->typeStep(SentenceType::RMB);
    if (m_hooks.rmb)
        m_hooks.rmb(SentenceFields(sentence));
}

void LiveDisplay::onVtg(const QByteArray&)
{
    // VTG's fields are not read: its arrival only triggers the own target.
    m_intake->typeStep(SentenceType::VTG);
    if (m_hooks.vtg)
        m_hooks.vtg();
}

void LiveDisplay::show()
{
    if (m_view)
        m_view->showReadouts(m_state);
}

} // namespace vur
