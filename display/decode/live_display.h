#pragma once
// The live read-outs: runs the decoders for the sentences the intake hands
// over, keeps the display state and tells its view what to show.
#include "display/decode/decoders.h"
#include "display/trip/sample_tick.h"

#include <QObject>

#include <functional>
#include <vector>

namespace vur {

class Intake;

// The front end of the live read-outs.
class LiveDisplayView {
public:
    virtual ~LiveDisplayView() = default;
    // After a GGA, GSA or RMC: the texts uhr, datum, speed, trt, hoehe, the
    // fault sign gpsFault and, once needleDrawn, the needle at needleAngle.
    virtual void showReadouts(const DisplayState& state) = 0;
    // A GSA: the satellite bars and the status line.
    virtual void showSatellites(const std::vector<double>& bars, const QString& statusLine) = 0;
};

// Where the trip, plot and target steps hook in. Each is called at the point
// of the decoder where its step belongs; unset hooks are skipped.
struct LiveDisplayHooks {
    std::function<void()> rmcLogged;       // the RMC of a sample was logged (recording lamp)
    std::function<void()> speedSample;     // after the speed of an RMC (profile, max/avg)
    std::function<void(int second)> distance; // distance and slope, with the RMC's seconds
    std::function<void()> positionUpdated; // start point, air distance, route, times
    std::function<void()> altitudeSample;  // the GGA of a sample (altitude profile)
    std::function<void()> altitudeRead;    // every GGA with satellites (extremes)
    std::function<void(const SentenceFields&)> rmb; // destination from the receiver
    std::function<void()> vtg;             // own target computation
};

class LiveDisplay : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<double()>; // seconds since local midnight

    // Without a view (null) the state is kept but shown nowhere.
    LiveDisplay(Intake* intake, LiveDisplayView* view, QObject* parent = nullptr);

    // Connects the six sentence types of the intake to the decoders below.
    void connectToIntake();
    void setClock(Clock clock) { m_clock = std::move(clock); }
    LiveDisplayHooks& hooks() { return m_hooks; }

    void onGga(const QByteArray& sentence);
    void onGsv(const QByteArray& sentence);
    void onGsa(const QByteArray& sentence);
    void onRmc(const QByteArray& sentence);
    void onRmb(const QByteArray& sentence);
    void onVtg(const QByteArray& sentence);

    const DisplayState& state() const { return m_state; }
    SampleTick& sampleTick() { return m_tick; }

private:
    void show();

    Intake* m_intake;
    LiveDisplayView* m_view;
    LiveDisplayHooks m_hooks;
    Clock m_clock;
    DisplayState m_state;
    SampleTick m_tick;
};

} // namespace vur
