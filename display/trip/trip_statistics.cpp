#include "display/trip/trip_statistics.h"

#include "common/dialogs.h"
#include "common/number_text.h"
#include "common/save_file.h"
#include "display/trip/recording.h"
#include "display/trip/trip_texts.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace vur {
namespace {

// A recording is about 100 KB; anything far bigger is not one.
constexpr qint64 kMaxRecordingBytes = 4 * 1024 * 1024;

void addSample(Profile& p, std::int32_t v)
{
    if (p.points > Profile::kMaxPoints - 1) {
        std::copy(p.values.begin() + 1, p.values.begin() + 452, p.values.begin());
    } else {
        ++p.points;
        if (p.points == 1)
            p.values[1] = v;
    }
    p.values[p.points + 1] = v;
}

} // namespace

TripStatistics::TripStatistics(zv::Dialogs& dialogs)
    : m_dialogs(dialogs)
{
    m_texts.RTEL = QString::fromLatin1(kInitialRouteCaption);
}

void TripStatistics::setView(TripView* view)
{
    m_view = view;
    show();
}

void TripStatistics::chooseInterval(int index)
{
    if (index < 0 || index > 6)
        return;
    m_sampleInterval = kIntervals[index];
    m_autoMode = index == 6;
    m_nextSampleTime = -1.0;
    if (m_externalTick) {
        m_externalTick->sampleInterval = m_sampleInterval;
        m_externalTick->autoMode = m_autoMode;
        m_externalTick->nextSampleTime = 0;
    }
    m_dialogs.beep();
}

RmcOutcome TripStatistics::onRmc(const TripRmc& rmc, bool newLogOpen)
{
    RmcOutcome out;
    sampleTick(rmc, out, newLogOpen);
    m_trip.clockText = rmc.clockText;
    m_trip.dateText = rmc.dateText;

    // Speeds; standstill counts in the average.
    const int v = rmc.speedKmh;
    m_trip.maxSpeed = std::max<std::int32_t>(m_trip.maxSpeed, v);
    m_trip.speedSum += v;
    m_trip.speedCount += 1;
    m_trip.avgSpeed = double(m_trip.speedSum) / m_trip.speedCount;
    m_trip.speedsShown = true;

    m_trip.speedAccu += v;
    m_trip.speedAccuCount += 1;
    if (m_speedSampleDue) {
        m_speedSampleDue = false;
        const double mean = double(m_trip.speedAccu) / std::max(1, m_trip.speedAccuCount);
        addSample(m_trip.speed, static_cast<std::int32_t>(zv::roundHalfEven(mean)));
        m_trip.speedAccu = 0;
        m_trip.speedAccuCount = 0;
        plotChanged(TripView::Plot::Speed);
    }

    const double dt = timeStep(rmc);
    addDistance(dt, v);

    if (rmc.latSec && rmc.lonSec) {
        if (!m_trip.hasStart) {
            m_trip.hasStart = true;
            m_trip.lat0Sec = *rmc.latSec;
            m_trip.lon0Sec = *rmc.lonSec;
        }
        // Fixed metres per arc-second: the route is a sketch, not a map.
        double dLon = *rmc.lonSec - m_trip.lon0Sec;
        if (dLon > 648000.0)
            dLon -= 1296000.0;
        else if (dLon < -648000.0)
            dLon += 1296000.0;
        const double y = 30.0 * (m_trip.lat0Sec - *rmc.latSec);
        const double x = 21.0 * dLon;
        m_trip.airDistance = static_cast<std::int32_t>(std::floor(std::sqrt(x * x + y * y)));
        m_trip.airShown = true;
        routeStep(x, y);
    }

    m_trip.travelTime += dt;
    if (v != 0)
        m_trip.drivingTime += dt;

    refreshTexts();
    show();
    return out;
}

void TripStatistics::sampleTick(const TripRmc& rmc, RmcOutcome& out, bool newLogOpen)
{
    if (m_externalTick) {
        if (m_externalTick->speedSampleDue) {
            m_externalTick->speedSampleDue = false;
            m_speedSampleDue = true;
        }
        return;
    }
    const double t = rmc.localSecondsOfDay;
    // Midnight, a clock change or a looped replay: sample again at once
    // instead of waiting for the old time to come round.
    if (m_hasTickTime && t < m_lastTickTime)
        m_nextSampleTime = -1.0;
    m_hasTickTime = true;
    m_lastTickTime = t;
    if (t > m_nextSampleTime) {
        m_nextSampleTime = t + m_sampleInterval - 0.2;
        m_speedSampleDue = true;
        m_altSampleDue = true;
        out.sampleTick = true;
    }
    if (m_autoMode && newLogOpen) {
        const double d = std::fabs(rmc.courseDeg - m_lastTriggerCourse);
        if (d > 10.0 && d < 350.0) {
            m_lastTriggerCourse = static_cast<int>(std::floor(rmc.courseDeg));
            out.courseTrigger = true;
        }
    }
}

double TripStatistics::timeStep(const TripRmc& rmc)
{
    const bool hasDate = rmc.utcDate.isValid();
    const double stamp = (hasDate ? double(rmc.utcDate.toJulianDay()) * 86400.0 : 0.0) + rmc.utcSecondsOfDay;
    double dt = 0.0;
    // Time without a fix is no travel, and the way to the next fix no distance.
    if (m_hasPrevious && rmc.fixLosses == m_previousFixLosses) {
        if (hasDate && m_previousHasDate) {
            dt = stamp - m_previousStamp;
        } else {
            dt = rmc.utcSecondsOfDay - std::fmod(m_previousStamp, 86400.0);
            if (dt < 0)
                dt += 86400.0;   // over midnight
        }
        if (dt < 0 || dt > kMaxTimeStep)
            dt = 0.0;
    }
    m_hasPrevious = true;
    m_previousStamp = stamp;
    m_previousHasDate = hasDate;
    m_previousFixLosses = rmc.fixLosses;
    return dt;
}

void TripStatistics::addDistance(double dt, int speedKmh)
{
    if (dt <= 0.0)
        return;
    m_trip.distanceKm += speedKmh * dt / 3600.0;
    const QString text = oneDecimalText(m_trip.distanceKm);
    if (text == m_trip.distanceText)
        return;
    m_trip.distanceText = text;
    // Once per 0.1 km shown: the climb in metres is the slope in percent.
    if (m_hasAltitude) {
        const int climb = m_altitude - m_trip.prevAltitude;
        m_trip.prevAltitude = m_altitude;
        m_trip.slopeText = slopeText(climb);
    } else {
        m_trip.slopeText = slopeText(99999);
    }
}

void TripStatistics::routeStep(double x, double y)
{
    Route& r = m_trip.route;
    const long long period = 1LL << (std::max(r.scale, 1) - 1);
    r.tick += 1;
    if (r.tick >= period)
        r.tick = 0;
    if (r.tick != 0)
        return;
    if (r.count < Route::kCapacity) {
        r.y[r.count] = static_cast<std::int32_t>(zv::roundHalfEven(y));
        r.x[r.count] = static_cast<std::int32_t>(zv::roundHalfEven(x));
        ++r.count;
    }
    raiseScaleIfOutside(x, y);
    m_trip.lastX = x;
    m_trip.lastY = y;
    m_trip.hasLast = true;
    plotChanged(TripView::Plot::Route);
}

void TripStatistics::raiseScaleIfOutside(double x, double y)
{
    Route& r = m_trip.route;
    const double limit = 250.0 * std::ldexp(1.0, r.scale);
    if ((std::fabs(y) > limit || std::fabs(x) > limit) && r.scale < Route::kMaxScale) {
        r.scale += 1;
        m_texts.RTEL = routeCaption(r.scale);
    }
}

void TripStatistics::changeRouteScale(bool up)
{
    Route& r = m_trip.route;
    r.scale = std::clamp(r.scale + (up ? 1 : -1), Route::kMinScale, Route::kMaxScale);
    r.tick = 0;
    m_texts.RTEL = routeCaption(r.scale);
    show();
    plotChanged(TripView::Plot::Route);
}

bool TripStatistics::onGga(const TripGga& gga)
{
    // Without a fix there is nothing to take; the time without it is left
    // out by the RMC after it (TripRmc::fixLosses).
    if (gga.satsUsed <= 0)
        return false;
    if (gga.altitude) {
        m_altitude = *gga.altitude;
        m_hasAltitude = true;
    }
    bool sampled = false;
    if (m_altSampleDue) {
        m_altSampleDue = false;
        sampled = true;
        if (m_hasAltitude) {
            addSample(m_trip.altitude, m_altitude);
            plotChanged(TripView::Plot::Altitude);
        }
    }
    if (m_hasAltitude) {
        m_trip.maxAltitude = std::max<std::int32_t>(m_trip.maxAltitude, m_altitude);
        m_trip.minAltitude = std::min<std::int32_t>(m_trip.minAltitude, m_altitude);
        m_trip.extremesShown = true;
    }
    refreshTexts();
    show();
    return sampled;
}

void TripStatistics::resumeInput()
{
    m_hasPrevious = false;
}

void TripStatistics::reset()
{
    m_dialogs.beep();
    // The slope read-out and its reference altitude are not part of a reset.
    const int prevAltitude = m_trip.prevAltitude;
    const QString slope = m_trip.slopeText;
    m_trip = TripState{};
    m_trip.prevAltitude = prevAltitude;
    m_trip.slopeText = slope;
    m_texts = TripTexts{};
    m_texts.RTEL = QString::fromLatin1(kInitialRouteCaption);
    m_speedSampleDue = false;
    m_altSampleDue = false;
    refreshTexts();
    show();
    if (m_view)
        m_view->clearSpeedAndAltitude();
    repaintPlots();
}

bool TripStatistics::save(const QString& dir, const QString& typedName)
{
    QString error;
    const std::optional<QString> name = recordingFileName(typedName, &error);
    if (!name) {
        m_dialogs.message(error, QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
        return false;
    }
    if (name->isEmpty())
        return false;
    QSaveFile file(QDir(dir).filePath(*name));
    const QByteArray bytes = writeRecording(m_trip);
    QString reason;
    errno = 0;
    bool saved = false;
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) {
        saved = zv::commitSaveFile(file, &reason);
    } else {
        reason = zv::writeErrorText(file, errno);
        file.cancelWriting();
    }
    if (!saved) {
        m_dialogs.message(QStringLiteral("Aufzeichnung nicht gespeichert: ") + *name + QStringLiteral("\n") + reason,
                          QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
        return false;
    }
    m_dialogs.beep();
    return true;
}

std::optional<TripState> TripStatistics::readRecording(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecordingBytes)
        return std::nullopt;
    return parseRecording(file.readAll());
}

bool TripStatistics::load(const QString& dir, const QString& typedName, QString* gpssText)
{
    QString error;
    const std::optional<QString> name = recordingFileName(typedName, &error);
    if (!name) {
        m_dialogs.message(error, QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
        return false;
    }
    if (name->isEmpty())
        return false;
    const std::optional<TripState> loaded = readRecording(QDir(dir).filePath(*name));
    if (!loaded) {
        if (gpssText)
            *gpssText = kLoadFailedText;
        return false;
    }
    adopt(*loaded);
    if (gpssText)
        *gpssText = kLoadingText;
    m_dialogs.beep();
    return true;
}

void TripStatistics::adopt(const TripState& loaded)
{
    reset();
    // The slope read-out is not part of a recording; it stays as it was.
    const int prevAltitude = m_trip.prevAltitude;
    const QString slope = m_trip.slopeText;
    m_trip = loaded;
    m_trip.prevAltitude = prevAltitude;
    m_trip.slopeText = slope;
    m_hasPrevious = false;
    // Step 1 shows the caption a fresh trip shows.
    m_texts.RTEL = m_trip.route.scale == 1 ? QString::fromLatin1(kInitialRouteCaption) : routeCaption(m_trip.route.scale);
    refreshTexts();
    show();
    if (m_view)
        m_view->showClockAndDate(m_trip.clockText, m_trip.dateText);
    repaintPlots();
}

void TripStatistics::refreshTexts()
{
    const TripState& t = m_trip;
    if (t.speedsShown) {
        m_texts.SPDmax = QString::number(t.maxSpeed);
        m_texts.SPDavg = QString::number(static_cast<long long>(std::floor(t.avgSpeed)));
        m_texts.RZ = tripTimeText(t.travelTime);
        m_texts.FZ = tripTimeText(t.drivingTime);
    } else {
        m_texts.SPDmax.clear();
        m_texts.SPDavg.clear();
        m_texts.RZ.clear();
        m_texts.FZ.clear();
    }
    m_texts.STRweg = t.distanceText;
    m_texts.Berg = t.slopeText;
    m_texts.STRluft = t.airShown ? airDistanceText(t.airDistance) : QString();
    if (t.extremesShown) {
        m_texts.NNmax = QString::number(t.maxAltitude);
        m_texts.NNmin = QString::number(t.minAltitude);
    } else {
        m_texts.NNmax.clear();
        m_texts.NNmin.clear();
    }
}

void TripStatistics::show() const
{
    if (m_view)
        m_view->showTripTexts(m_texts);
}

void TripStatistics::plotChanged(TripView::Plot plot) const
{
    if (m_view)
        m_view->plotChanged(plot);
}

void TripStatistics::repaintPlots() const
{
    for (TripView::Plot plot : {TripView::Plot::Speed, TripView::Plot::Altitude, TripView::Plot::Route})
        plotChanged(plot);
}

} // namespace vur
