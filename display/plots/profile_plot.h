#pragma once
// The speed profile SPL and the altitude profile NNL: geometry in the plots'
// own coordinates (x 0..449, y downward 0..200 km/h or 0..2000 m), the
// mouse read-outs and a painter that draws a profile into any rectangle.
#include "display/trip/trip_state.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

namespace vur {

enum class ProfileKind { Speed, Altitude };

// Height of the plot's coordinate range: 200 (km/h) or 2000 (m).
int profileRange(ProfileKind kind);
// Y(v) = range - 1 - v.
double profileY(ProfileKind kind, double value);

// The values the plot's height spans, bottom to top. The fixed scale is the
// coordinate range itself (0..200 km/h, 0..2000 m); a fitted one stretches
// the samples over the height, so walking pace or a flat ride is no longer
// a flat line at the bottom.
struct ProfileScale {
    double low = 0;
    double high = 0;
    bool operator==(const ProfileScale&) const = default;
};
ProfileScale fixedProfileScale(ProfileKind kind);
// The smallest scale of four grid steps that holds every sample below its
// top, a step being 1, 2 or 5 times a power of ten and at least 1 km/h or
// 5 m; the bottom is a whole number of steps below the lowest sample (on
// it when that is 0). Without samples, the fixed scale.
ProfileScale fittedProfileScale(const Profile& profile, ProfileKind kind);
// Y for a value on a scale: (value - low) stretched over the range, drawn as
// Y(v); on the fixed scale exactly profileY.
double profileY(ProfileKind kind, double value, const ProfileScale& scale);

// The blue segments of the strip: (i-1, Y(P[i])) to (i, Y(P[i+1])) for i = 1..n.
QList<QLineF> profileSegments(const Profile& profile, ProfileKind kind);
QList<QLineF> profileSegments(const Profile& profile, ProfileKind kind, const ProfileScale& scale);
// The three grid lines (x 0..450) and the label with its position.
QList<QLineF> profileGrid(ProfileKind kind);
QString profileGridLabel(ProfileKind kind);   // "100 " / "1000 "
QPointF profileGridLabelPos(ProfileKind kind); // (0, 90) / (0, 900)
// The labels a scale's grid gets: on the fixed scale the one above; on a
// fitted one each of the three lines is labelled with its value.
struct ProfileLabel {
    QPointF pos; // top-left, plot coordinates
    QString text;
    bool operator==(const ProfileLabel&) const = default;
};
QList<ProfileLabel> profileGridLabels(ProfileKind kind, const ProfileScale& scale);

// Where the mouse read-out is written in the plot: (412, 1) / (420, 1).
QPointF profileReadoutPos(ProfileKind kind);
// The read-out for the mouse at plot coordinate y: " 150 km/h     " or " 1500 m     ".
QString profileReadoutText(ProfileKind kind, double plotY);
QString profileReadoutText(ProfileKind kind, double plotY, const ProfileScale& scale);
// A widget's pixel row in plot coordinates.
double plotYFromPixel(ProfileKind kind, double pixelY, double heightPixels);

// The read-outs shown while the mouse moves over the profiles: moving over
// one clears the other, moving over the window clears both.
class ProfileReadouts {
public:
    void mouseOverSpeed(double plotY) { mouseOverSpeed(plotY, fixedProfileScale(ProfileKind::Speed)); }
    void mouseOverAltitude(double plotY) { mouseOverAltitude(plotY, fixedProfileScale(ProfileKind::Altitude)); }
    void mouseOverSpeed(double plotY, const ProfileScale& scale);
    void mouseOverAltitude(double plotY, const ProfileScale& scale);
    void mouseLeft();
    const QString& speed() const { return m_speed; }
    const QString& altitude() const { return m_altitude; }
    const QString& text(ProfileKind kind) const { return kind == ProfileKind::Speed ? m_speed : m_altitude; }

private:
    QString m_speed, m_altitude;
};

// Draws one profile scaled into rect: the strip in blue (pen width 2), the
// grid and its labels in black, then the read-out when not empty. The caller
// fills the background. No scale: the fixed one.
void drawProfile(QPainter* painter, const QRectF& rect, const Profile& profile, ProfileKind kind,
                 const QString& readout = {}, std::optional<ProfileScale> scale = std::nullopt);

} // namespace vur
