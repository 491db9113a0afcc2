#include "display/core/display_core.h"

#include "common/number_text.h"
#include "display/decode/rmb_vtg.h"
#include "display/intake/receiver_source.h"
#include "display/trip/decoded_input.h"

#include <QTime>

namespace vur {

DisplayCore::DisplayCore(const QString& homeDir, zv::Dialogs& dialogs, IntakeView* intakeView,
                         LiveDisplayView* liveView, QObject* parent)
    : QObject(parent),
      m_intake(new Intake(homeDir, intakeView, &dialogs, this)),
      m_live(new LiveDisplay(m_intake, liveView, this)),
      m_trip(std::make_unique<TripStatistics>(dialogs)),
      m_targets(std::make_unique<Targets>(dialogs)),
      m_homeDir(homeDir)
{
    m_live->connectToIntake();
    // The live display runs the sample tick (it also paces the log).
    m_trip->followSampleTick(&m_live->sampleTick());
    // Form_Load: the targets file of the program folder.
    m_targets->load(homeDir);
    wireSteps();
}

DisplayCore::~DisplayCore() = default;

void DisplayCore::wireSteps()
{
    LiveDisplayHooks& h = m_live->hooks();
    h.rmcLogged = [this] { Q_EMIT sampleLogged(); };
    h.positionUpdated = [this] {
        const SentenceFields fields(m_intake->sentence());
        const DisplayState& s = m_live->state();
        if (const std::optional<Position> p = rmcPosition(fields, s))
            m_position = p;
        m_trip->onRmc(tripRmcOf(fields, s, QTime::currentTime().msecsSinceStartOfDay() / 1000.0));
    };
    h.altitudeSample = [this] { m_trip->altitudeSampleNow(); };
    h.altitudeRead = [this] { m_trip->onGga(tripGgaOf(SentenceFields(m_intake->sentence()))); };
    h.rmb = [this](const SentenceFields& fields) {
        m_targets->onRmb(decodeRmb(fields.sentence()), m_trip->state(),
                         zv::leadingNumber(m_live->state().rxCourseText));
    };
    h.vtg = [this] { m_targets->onVtg(m_position, m_trip->state(), m_live->state().courseInt); };
}

void DisplayCore::start()
{
    m_intake->openSource();
    m_trip->resumeInput();
}

void DisplayCore::stop()
{
    // Serial or network: the display freezes until START.
    if (ReceiverSource* source = m_intake->source(); source && source->isOpen())
        source->close();
    if (m_intake->comm1()->isOpen())
        m_intake->comm1()->close();
}

void DisplayCore::resetTrip()
{
    m_trip->reset();
    m_intake->disableTypeBoxes();
    m_targets->resetReceiverDestination();
}

bool DisplayCore::loadRecording(const QString& typedName, QString* gpssText)
{
    // Read aside first: a refused name or a missing or damaged file leaves
    // the live trip and the port as they were.
    if (!m_trip->load(m_homeDir, typedName, gpssText))
        return false;
    stop();
    m_intake->disableTypeBoxes();
    m_targets->resetReceiverDestination();
    return true;
}

} // namespace vur
