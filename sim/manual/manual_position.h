#pragma once
// The hand-steered position: degree/minute/second/tenth values for latitude
// and longitude, the arrow-key steps, the label texts and the seeding from
// the last RMC. Pure functions over value types; no widgets.
#include <QByteArray>
#include <QString>
#include <Qt>

#include <array>
#include <optional>

namespace zelvan {

enum class Axis { Latitude, Longitude };

// One axis as the four spinners show it, with the hemisphere kept apart
// from the degree value so that 0° can still be south or west.
struct AxisPosition {
    bool negative = false; // south or west
    int degrees = 0;       // 0..89 or 0..179, never negative
    int minutes = 0;       // 0..59
    int seconds = 0;       // 0..59
    int tenths = 0;        // 0..9

    // Whole position in tenths of an arc-second, without the hemisphere.
    long long magnitudeTenths() const;
    static AxisPosition fromMagnitudeTenths(long long tenths, bool negative);
    bool operator==(const AxisPosition&) const = default;
};

struct ManualPosition {
    AxisPosition lat;
    AxisPosition lon;
    bool operator==(const ManualPosition&) const = default;
};

// 48° 05' 44.7" N, 11° 38' 11.7" E: the values the spinners start with
// when the settings hold none.
ManualPosition designPosition();

// The spinners' position nearest a place in decimal degrees (south and west
// negative), to the tenth of an arc-second, kept within the spinners' ranges.
ManualPosition manualPositionOf(double latDegrees, double lonDegrees);

// Highest degree value of the axis (89 or 179).
int maxDegrees(Axis axis);

// Range of spinner index 0..3 of an axis: VSc1(0) -89..89, HSc1(0)
// -179..179, minutes and seconds 0..59, tenths 0..9.
struct SpinnerRange {
    int minimum;
    int maximum;
};
SpinnerRange spinnerRange(Axis axis, int index);

// Signed spinner values in the order degrees, minutes, seconds, tenths.
std::array<int, 4> spinnerValues(const AxisPosition& axis);

// A spinner of the axis was set to value (index 0 degrees .. 3 tenths).
// A negative degree value means south/west, a positive one north/east;
// degree 0 keeps the hemisphere the axis had. Values are clamped to the
// spinner's range.
AxisPosition withSpinnerValue(AxisPosition axis, Axis which, int index, int value);

// The step a key event asks for, taken from that event's own modifiers.
// Tenths by 1 without Ctrl, Alt or Shift; Alt adds 1 s, Ctrl 10 s (both
// together 11 s); Shift alone is 1 min. Shift together with Ctrl or Alt
// adds nothing of its own.
struct StepAmount {
    int tenths = 0; // all in tenths of an arc-second
    int total() const { return tenths; }
};
StepAmount stepAmount(Qt::KeyboardModifiers modifiers);

// Moves the axis away from zero (increase) or toward it. A step through
// zero carries on into the other hemisphere instead of jumping; a step
// beyond 89° 59' 59.9" (179° ... for longitude) is refused and gives
// std::nullopt.
std::optional<AxisPosition> stepAxis(const AxisPosition& axis, Axis which, bool awayFromZero, StepAmount amount);

// What a key press in manual mode does.
enum class ManualKeyAction {
    None,           // not ours: let the event through (Shift, Ctrl, Alt alone too)
    Consumed,       // ours but nothing to do (an automatic repeat of Space or Enter)
    Step,           // an arrow: see steerDirection
    RecordPosition, // Space: SaveP
    RecordText,     // Return or keypad Enter: SaveT, when it is enabled
};
struct ManualKey {
    ManualKeyAction action = ManualKeyAction::None;
    Qt::Key arrow = Qt::Key_unknown;
    StepAmount amount;
};
// Maps one key-press event (key, its modifiers, whether it is an automatic
// repeat) to its action. Repeated Space or Enter presses are consumed and
// ignored, so holding a key never records a point twice; repeated arrows
// steer on.
ManualKey mapManualKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);

// Applies an arrow key: Left/Right move the longitude, Up/Down the latitude.
// Left on an east longitude or Right on a west one goes toward the
// meridian; Up on a north latitude or Down on a south one goes away from
// the equator. Returns the new position, or nullopt when the step is refused
// (the position stays). axisChanged tells which axis moved.
std::optional<ManualPosition> steer(const ManualPosition& pos, Qt::Key arrow, StepAmount amount, Axis* axisChanged = nullptr);

// The label texts beside the spinners.
struct PositionLabels {
    QString ggn, mmn, ssn, kkn; // 48 °, 05 ', 44 ", .7 N
    QString ggo, mmo, sso, kko; // 011 °, 38 ', 11 ", .7 E
    bool operator==(const PositionLabels&) const = default;
};
PositionLabels positionLabels(const ManualPosition& pos);
QChar hemisphereLetter(const AxisPosition& axis, Axis which);

// Seeds the spinners from the last RMC sentence: only from one with status
// "A" and numeric latitude and longitude with N/S and E/W. Seconds are
// rounded to the nearest tenth with carry.
std::optional<ManualPosition> positionFromRmc(QByteArrayView rmc);

// Altitude, speed and Auto-Point read-outs.
QString altitudeCaption(int metres);   // "550 m NN"
QString altitudeToolTip(int metres);   // "1805 ft"
QString speedCaption(int kmh);         // "50 km/h"
QString speedToolTip(int kmh);         // "31 mi"

// The Auto-Point caption beside VSc4 and the step it stands for. "*" marks
// a freshly opened recording whose first point gets no intermediate points;
// it remembers the caption it replaced so that caption comes back.
class AutoPointCaption {
public:
    static constexpr int kIndexMax = 10; // index 10 leaves the caption as it is

    // VSc4 moved to index (or is restored after "*").
    void setIndex(int index);
    int index() const { return m_index; }
    // Puts "*" in place of the caption unless Auto-Point is off ("-").
    void markFreshFile();
    // Back to the caption of the current index.
    void restore() { setIndex(m_index); }
    const QString& caption() const { return m_caption; }
    bool isStar() const { return m_caption == QLatin1String("*"); }
    // Step in metres: the caption's number, 0 for "-" and "*".
    int stepMetres() const;
    QString toolTip(bool metricUnits) const;

private:
    int m_index = 1;
    QString m_caption = QStringLiteral("10 m");
    QString m_replaced;
};

} // namespace zelvan
