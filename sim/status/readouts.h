#pragma once
// Texts of the read-out panel: unit labels, the distance, trip and maximum
// speed read-outs, the information box, and the minimize option's rules.
#include <QString>

#include <optional>

namespace zelvan {

// A number with fixed decimals the way the display's "0.0" format writes it:
// the value taken to 15 significant digits, halves rounded away from zero
// (1.25 -> "1.3"), always the C locale.
QString formatDecimals(double value, int decimals);

// DistL during a replay: cut to whole hundreds of metres first
// (1234 m and 1299 m both give "1.2"); miles from the same hundreds.
QString distanceReadout(double distanceM, bool metric);
// TripL: the trip in km or miles, one decimal.
QString tripReadout(double tripMeters, bool metric);
// MaxL: whole km/h, or miles per hour rounded with halves to even.
QString maxSpeedReadout(double maxSpeedKmh, bool metric);

// ApplyUnitLabels: the unit labels of one unit system. The caller also sets
// maxSpeed = 0 and empties MaxL, NNminL, NNmaxL, DistL and TripL.
struct UnitLabels {
    QString label3;  // speed: "km/h" / "MPH"
    QString label6;  // distance from start: "km ->" / "mi ->"
    QString label9;  // altitude: "m NN" / "ft NN"
    QString label16; // trip: "km ~" / "mi ~"
};
UnitLabels unitLabels(bool metric);
// The AutoM tooltip ApplyUnitLabels sets: nullopt (leave it) when the
// Auto-Point step is 0, else "Auto-Point" or "Auto-Point <step*3> ft".
std::optional<QString> autoPointToolTipForUnits(bool metric, int autoPointStepMetres);

// Labels ApplyUnitLabels empties (besides resetting maxSpeed to 0).
inline constexpr const char* kUnitResetLabels[] = {"MaxL", "NNminL", "NNmaxL", "DistL", "TripL"};

// The information box of Help.
struct InfoBox {
    QString title;
    QString text;
};
InfoBox helpInfoBox();

// The minimize option. Clicking MinC while a replay runs ticks it, shows
// MiniA and minimizes; otherwise the click only toggles the box.
struct MinimizeAction {
    bool check = false;       // MinC's state after the click
    bool showMiniA = false;
    bool minimizeWindow = false;
};
MinimizeAction minCClicked(bool checkedAfterClick, bool replayRunning);
// When a replay starts with MinC ticked, one second later: show MiniA and
// minimize. Stopping a replay hides MiniA. A click on MiniA minimizes.
inline constexpr int kMinimizeDelayMs = 1000;
bool minimizeOnReplayStart(bool minCChecked);

} // namespace zelvan
