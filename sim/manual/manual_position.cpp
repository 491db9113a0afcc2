#include "sim/manual/manual_position.h"

#include "common/nmea.h"
#include "common/number_text.h"

#include <algorithm>
#include <cmath>

namespace zelvan {

namespace {

constexpr long long kTenthsPerDegree = 36000;

long long maxMagnitude(Axis axis)
{
    return (maxDegrees(axis) + 1) * kTenthsPerDegree - 1;
}

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// "ddmm.mmmm" or "dddmm.mmmm" of an RMC into tenths of an arc-second,
// rounded to the nearest tenth; nullopt unless it is a plain number whose
// minutes are below 60.
std::optional<long long> parseRmcCoordinate(const QByteArray& field)
{
    if (field.isEmpty())
        return std::nullopt;
    const qsizetype dot = field.indexOf('.');
    const QByteArray whole = dot < 0 ? field : field.left(dot);
    const QByteArray fraction = dot < 0 ? QByteArray() : field.mid(dot + 1);
    if (whole.size() < 3 || whole.size() > 5)
        return std::nullopt;
    auto allDigits = [](const QByteArray& t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!allDigits(whole) || !allDigits(fraction))
        return std::nullopt;
    const int wholeValue = whole.toInt();
    const int degrees = wholeValue / 100;
    const int minutes = wholeValue % 100;
    if (minutes > 59)
        return std::nullopt;
    double minuteFraction = 0;
    if (!fraction.isEmpty())
        minuteFraction = ("0." + fraction).toDouble(); // QByteArray::toDouble is locale-free
    const long long tenths = std::llround((minutes + minuteFraction) * 600.0);
    return degrees * kTenthsPerDegree + tenths;
}

} // namespace

long long AxisPosition::magnitudeTenths() const
{
    return degrees * kTenthsPerDegree + minutes * 600LL + seconds * 10LL + tenths;
}

AxisPosition AxisPosition::fromMagnitudeTenths(long long t, bool negative)
{
    AxisPosition a;
    a.negative = negative;
    a.degrees = static_cast<int>(t / kTenthsPerDegree);
    t %= kTenthsPerDegree;
    a.minutes = static_cast<int>(t / 600);
    t %= 600;
    a.seconds = static_cast<int>(t / 10);
    a.tenths = static_cast<int>(t % 10);
    return a;
}

ManualPosition manualPositionOf(double latDegrees, double lonDegrees)
{
    auto axis = [](double degrees, Axis which) {
        const long long most = (maxDegrees(which) + 1) * kTenthsPerDegree - 1;
        const long long tenths = std::isfinite(degrees) ? std::llround(std::fabs(degrees) * kTenthsPerDegree) : 0;
        return AxisPosition::fromMagnitudeTenths(std::min(tenths, most), degrees < 0);
    };
    return {axis(latDegrees, Axis::Latitude), axis(lonDegrees, Axis::Longitude)};
}

ManualPosition designPosition()
{
    return {AxisPosition{false, 48, 5, 44, 7}, AxisPosition{false, 11, 38, 11, 7}};
}

int maxDegrees(Axis axis) { return axis == Axis::Latitude ? 89 : 179; }

SpinnerRange spinnerRange(Axis axis, int index)
{
    switch (index) {
    case 0: return {-maxDegrees(axis), maxDegrees(axis)};
    case 1:
    case 2: return {0, 59};
    default: return {0, 9};
    }
}

std::array<int, 4> spinnerValues(const AxisPosition& a)
{
    return {a.negative ? -a.degrees : a.degrees, a.minutes, a.seconds, a.tenths};
}

AxisPosition withSpinnerValue(AxisPosition a, Axis which, int index, int value)
{
    const SpinnerRange r = spinnerRange(which, index);
    value = std::clamp(value, r.minimum, r.maximum);
    switch (index) {
    case 0:
        if (value != 0)
            a.negative = value < 0;
        a.degrees = std::abs(value);
        break;
    case 1: a.minutes = value; break;
    case 2: a.seconds = value; break;
    default: a.tenths = value; break;
    }
    return a;
}

StepAmount stepAmount(Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    StepAmount s;
    if (!shift && !ctrl && !alt)
        s.tenths += 1;
    if (alt)
        s.tenths += 10;
    if (ctrl)
        s.tenths += 100;
    if (shift && !ctrl && !alt)
        s.tenths += 600;
    return s;
}

std::optional<AxisPosition> stepAxis(const AxisPosition& a, Axis which, bool awayFromZero, StepAmount amount)
{
    const long long m = a.magnitudeTenths();
    if (awayFromZero) {
        const long long next = m + amount.total();
        if (next > maxMagnitude(which))
            return std::nullopt;
        return AxisPosition::fromMagnitudeTenths(next, a.negative);
    }
    const long long next = m - amount.total();
    if (next >= 0)
        return AxisPosition::fromMagnitudeTenths(next, a.negative);
    // Through the equator or the meridian: on into the other hemisphere.
    return AxisPosition::fromMagnitudeTenths(-next, !a.negative);
}

ManualKey mapManualKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    modifiers &= ~Qt::KeypadModifier;
    ManualKey k;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        k.action = ManualKeyAction::Step;
        k.arrow = static_cast<Qt::Key>(key);
        k.amount = stepAmount(modifiers);
        break;
    case Qt::Key_Space:
        k.action = autoRepeat ? ManualKeyAction::Consumed : ManualKeyAction::RecordPosition;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        k.action = autoRepeat ? ManualKeyAction::Consumed : ManualKeyAction::RecordText;
        break;
    default:
        break;
    }
    return k;
}

std::optional<ManualPosition> steer(const ManualPosition& pos, Qt::Key arrow, StepAmount amount, Axis* axisChanged)
{
    ManualPosition next = pos;
    switch (arrow) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        // East positive: Right moves east, away from the meridian on an east longitude.
        const bool away = (arrow == Qt::Key_Right) != pos.lon.negative;
        auto stepped = stepAxis(pos.lon, Axis::Longitude, away, amount);
        if (!stepped)
            return std::nullopt;
        next.lon = *stepped;
        if (axisChanged)
            *axisChanged = Axis::Longitude;
        return next;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool away = (arrow == Qt::Key_Up) != pos.lat.negative;
        auto stepped = stepAxis(pos.lat, Axis::Latitude, away, amount);
        if (!stepped)
            return std::nullopt;
        next.lat = *stepped;
        if (axisChanged)
            *axisChanged = Axis::Latitude;
        return next;
    }
    default:
        return std::nullopt;
    }
}

QChar hemisphereLetter(const AxisPosition& a, Axis which)
{
    if (which == Axis::Latitude)
        return a.negative ? QLatin1Char('S') : QLatin1Char('N');
    return a.negative ? QLatin1Char('W') : QLatin1Char('E');
}

PositionLabels positionLabels(const ManualPosition& p)
{
    static const QString degreeSign = QString(QChar(0x00B0));
    PositionLabels l;
    l.ggn = twoDigits(p.lat.degrees) + QLatin1Char(' ') + degreeSign;
    l.mmn = twoDigits(p.lat.minutes) + QLatin1String(" '");
    l.ssn = twoDigits(p.lat.seconds) + QLatin1String(" \"");
    l.kkn = QLatin1Char('.') + QString::number(p.lat.tenths) + QLatin1Char(' ') + hemisphereLetter(p.lat, Axis::Latitude);
    l.ggo = QStringLiteral("%1").arg(p.lon.degrees, 3, 10, QLatin1Char('0')) + QLatin1Char(' ') + degreeSign;
    l.mmo = twoDigits(p.lon.minutes) + QLatin1String(" '");
    l.sso = twoDigits(p.lon.seconds) + QLatin1String(" \"");
    l.kko = QLatin1Char('.') + QString::number(p.lon.tenths) + QLatin1Char(' ') + hemisphereLetter(p.lon, Axis::Longitude);
    return l;
}

std::optional<ManualPosition> positionFromRmc(QByteArrayView rmc)
{
    if (zv::sentenceType(rmc) != "RMC" || zv::sentenceField(rmc, 2) != "A")
        return std::nullopt;
    const QByteArray ns = zv::sentenceField(rmc, 4);
    const QByteArray ew = zv::sentenceField(rmc, 6);
    if ((ns != "N" && ns != "S") || (ew != "E" && ew != "W"))
        return std::nullopt;
    const QByteArray latField = zv::sentenceField(rmc, 3);
    const QByteArray lonField = zv::sentenceField(rmc, 5);
    // Latitude has two degree digits, longitude three.
    if (latField.indexOf('.') > 4 || lonField.indexOf('.') > 5)
        return std::nullopt;
    auto lat = parseRmcCoordinate(latField);
    auto lon = parseRmcCoordinate(lonField);
    if (!lat || !lon)
        return std::nullopt;
    ManualPosition p;
    p.lat = AxisPosition::fromMagnitudeTenths(std::min(*lat, maxMagnitude(Axis::Latitude)), ns == "S");
    p.lon = AxisPosition::fromMagnitudeTenths(std::min(*lon, maxMagnitude(Axis::Longitude)), ew == "W");
    return p;
}

QString altitudeCaption(int metres) { return QString::number(metres) + QLatin1String(" m NN"); }
QString altitudeToolTip(int metres) { return QString::number(zv::roundHalfEven(metres * 3.281)) + QLatin1String(" ft"); }
QString speedCaption(int kmh) { return QString::number(kmh) + QLatin1String(" km/h"); }
QString speedToolTip(int kmh) { return QString::number(zv::roundHalfEven(kmh * 0.6214)) + QLatin1String(" mi"); }

void AutoPointCaption::setIndex(int index)
{
    static const char* const captions[] = {"-", "10 m", "20 m", "50 m", "100 m", "200 m",
                                           "500 m", "1000 m", "2000 m", "5000 m"};
    m_index = std::clamp(index, 0, kIndexMax);
    if (m_index < kIndexMax)
        m_caption = QString::fromLatin1(captions[m_index]);
    else if (isStar())
        m_caption = m_replaced; // index 10 keeps the caption, but never a stale "*"
}

void AutoPointCaption::markFreshFile()
{
    if (m_caption == QLatin1String("-") || isStar())
        return;
    m_replaced = m_caption;
    m_caption = QStringLiteral("*");
}

int AutoPointCaption::stepMetres() const
{
    return static_cast<int>(zv::leadingNumber(QStringView(m_caption)));
}

QString AutoPointCaption::toolTip(bool metricUnits) const
{
    const int step = stepMetres();
    if (step == 0)
        return QStringLiteral("Auto-Point off");
    if (metricUnits)
        return QStringLiteral("Auto-Point");
    return QStringLiteral("Auto-Point ") + QString::number(step * 3) + QLatin1String(" ft");
}

} // namespace zelvan
