#pragma once
// Vur's engines joined up: the intake hands sentences to the live read-outs,
// whose steps feed the trip and the targets. Any front end (the window, a
// test) gives the views and drives it through the setters of each part.
#include "display/decode/live_display.h"
#include "display/intake/intake.h"
#include "display/targets/targets.h"
#include "display/trip/trip_statistics.h"

#include <QObject>

#include <memory>
#include <optional>

namespace zv { class Dialogs; }

namespace vur {

class DisplayCore : public QObject {
    Q_OBJECT
public:
    // The program folder holds Vur.ini, Vur.log and VUR.wpt. The trip and
    // the targets get their views by setView once the front end is ready.
    DisplayCore(const QString& homeDir, zv::Dialogs& dialogs, IntakeView* intakeView, LiveDisplayView* liveView,
                QObject* parent = nullptr);
    ~DisplayCore() override;

    Intake* intake() const { return m_intake; }
    LiveDisplay* liveDisplay() const { return m_live; }
    TripStatistics* trip() const { return m_trip.get(); }
    Targets* targets() const { return m_targets.get(); }
    // The last position an RMC gave; none before the first.
    std::optional<Position> position() const { return m_position; }

    // START: reads again; the time since STOP is not part of the trip.
    void start();
    // STOP: the source is closed until START.
    void stop();
    // RESET: a fresh trip; type boxes wait for their sentences again and
    // own targets are computed again.
    void resetTrip();
    // LOAD: a recording of the program folder that reads through replaces
    // the trip and the input stops; otherwise the live trip goes on.
    // *gpssText gets the line the satellite picture shows (TripStatistics::load).
    bool loadRecording(const QString& typedName, QString* gpssText);

Q_SIGNALS:
    // The RMC of a sample was logged (the recording lamp).
    void sampleLogged();

private:
    void wireSteps();

    Intake* m_intake;
    LiveDisplay* m_live;
    std::unique_ptr<TripStatistics> m_trip;
    std::unique_ptr<Targets> m_targets;
    QString m_homeDir;
    std::optional<Position> m_position;
};

} // namespace vur
