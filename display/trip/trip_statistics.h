#pragma once
// The trip subsystem: statistics, sampling for the profiles, the route and
// the recordings. The decoders hand it plain values; it keeps the texts of
// its read-outs and tells its view what changed.
#include "display/trip/sample_tick.h"
#include "display/trip/trip_input.h"
#include "display/trip/trip_state.h"

#include <QString>

#include <optional>

namespace zv { class Dialogs; }

namespace vur {

// The texts of the trip's read-outs; empty = blank read-out.
struct TripTexts {
    QString SPDmax, SPDavg, STRweg, STRluft, Berg, RZ, FZ, NNmax, NNmin, RTEL;
    bool operator==(const TripTexts&) const = default;
};

// The front end of the trip.
class TripView {
public:
    enum class Plot { Speed, Altitude, Route };
    virtual ~TripView() = default;
    // The statistics read-outs and the route caption.
    virtual void showTripTexts(const TripTexts& texts) = 0;
    // A reset empties the live read-outs of speed and altitude.
    virtual void clearSpeedAndAltitude() = 0;
    // A loaded trip shows its clock and date.
    virtual void showClockAndDate(const QString& clock, const QString& date) = 0;
    // A profile or the route gained a point or another scale: draw it again.
    virtual void plotChanged(Plot plot) = 0;
};

class TripStatistics {
public:
    // Interval choices Option1(0..6): seconds, and "Auto" at index 6.
    static constexpr int kIntervals[7] = {1, 2, 4, 8, 24, 64, 80};
    // A jump in the time stamps longer than this (a pause, a skipped replay)
    // adds neither time nor distance.
    static constexpr double kMaxTimeStep = 600.0;
    // Texts written into GPSS while loading.
    static inline const QString kLoadingText = QStringLiteral("  Aufzeichnung !") + QString(20, QLatin1Char(' '));
    static inline const QString kLoadFailedText = QStringLiteral("  Datei nicht gefunden !      ");

    explicit TripStatistics(zv::Dialogs& dialogs);

    // Shows the current texts at once; null: shown nowhere.
    void setView(TripView* view);

    // In the window the live display runs the sample tick, because it also
    // paces the log: the trip then follows that tick instead of its own.
    // The interval options write into it; a due speed sample is taken (and
    // cleared there) by the next onRmc.
    void followSampleTick(SampleTick* tick) { m_externalTick = tick; }
    // The live display consumed the tick's altitude flag for this GGA: the
    // next onGga takes the altitude sample.
    void altitudeSampleNow() { m_altSampleDue = true; }

    // Option1_Click(index): beeps.
    void chooseInterval(int index);
    int sampleInterval() const { return m_sampleInterval; }
    bool autoMode() const { return m_autoMode; }

    // The RMC decoder's hand-over (only while satellites are in use).
    // newLogOpen: logMode = 1 (the course trigger works only then).
    RmcOutcome onRmc(const TripRmc& rmc, bool newLogOpen = false);
    // The GGA decoder's hand-over. True when an altitude sample was taken
    // (the GGA log step of the intake runs then).
    bool onGga(const TripGga& gga);

    // START: the time since STOP is not part of the trip.
    void resumeInput();
    // ResetTrip's trip part: beeps, clears statistics, profiles and route.
    void reset();

    // SAVE: writes dir/name atomically; messages for refused names and
    // failed writes. False when nothing was written.
    bool save(const QString& dir, const QString& typedName);
    // Reads a recording aside; nullopt when it is missing, short or damaged.
    static std::optional<TripState> readRecording(const QString& path);
    // Replaces the trip by a loaded one (reset first, then the stored state).
    void adopt(const TripState& loaded);
    // LOAD: reads dir/name aside and adopts it only when it was read through.
    // Empty name: false, nothing shown. Refused name: a message. Missing,
    // short or damaged file: *gpssText = kLoadFailedText and the live trip
    // stays as it was. True when the recording replaced the trip.
    bool load(const QString& dir, const QString& typedName, QString* gpssText = nullptr);

    // RTE_MouseDown: left raises the scale step, any other button lowers it.
    void changeRouteScale(bool up);
    // MouseMove read-outs are plain functions in the plots; nothing here.

    const TripState& state() const { return m_trip; }
    const TripTexts& texts() const { return m_texts; }
    int altitude() const { return m_altitude; }
    bool hasAltitude() const { return m_hasAltitude; }
    bool speedSampleDue() const { return m_speedSampleDue; }
    bool altitudeSampleDue() const { return m_altSampleDue; }

private:
    void sampleTick(const TripRmc& rmc, RmcOutcome& out, bool newLogOpen);
    double timeStep(const TripRmc& rmc);
    void addDistance(double dt, int speedKmh);
    void routeStep(double x, double y);
    void raiseScaleIfOutside(double x, double y);
    void refreshTexts();
    void show() const;
    void plotChanged(TripView::Plot plot) const;
    void repaintPlots() const;

    zv::Dialogs& m_dialogs;
    TripView* m_view = nullptr;
    TripState m_trip;
    TripTexts m_texts;

    int m_sampleInterval = 1;
    bool m_autoMode = false;
    double m_nextSampleTime = -1.0;     // due at once
    bool m_hasTickTime = false;
    double m_lastTickTime = 0.0;
    bool m_speedSampleDue = false;
    bool m_altSampleDue = false;
    int m_lastTriggerCourse = 0;
    SampleTick* m_externalTick = nullptr;

    bool m_hasPrevious = false;         // an RMC with fix came before
    double m_previousStamp = 0.0;
    bool m_previousHasDate = false;
    int m_previousFixLosses = 0;

    int m_altitude = 0;
    bool m_hasAltitude = false;
};

} // namespace vur
