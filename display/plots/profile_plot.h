#pragma once
// The speed profile SPL and the altitude profile NNL: geometry in the plots'
// own coordinates (x 0..449, y downward 0..200 km/h or 0..2000 m), the
// mouse read-outs and a painter that draws a profile into any rectangle.
#include "display/trip/trip_state.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace vur {

enum class ProfileKind { Speed, Altitude };

// Height of the plot's coordinate range: 200 (km/h) or 2000 (m).
int profileRange(ProfileKind kind);
// Y(v) = range - 1 - v.
double profileY(ProfileKind kind, double value);

// The blue segments of the strip: (i-1, Y(P[i])) to (i, Y(P[i+1])) for i = 1..n.
QList<QLineF> profileSegments(const Profile& profile, ProfileKind kind);
// The three grid lines (x 0..450) and the label with its position.
QList<QLineF> profileGrid(ProfileKind kind);
QString profileGridLabel(ProfileKind kind);   // "100 " / "1000 "
QPointF profileGridLabelPos(ProfileKind kind); // (0, 90) / (0, 900)

// Where the mouse read-out is written in the plot: (412, 1) / (420, 1).
QPointF profileReadoutPos(ProfileKind kind);
// The read-out for the mouse at plot coordinate y: " 150 km/h     " or " 1500 m     ".
QString profileReadoutText(ProfileKind kind, double plotY);
// A widget's pixel row in plot coordinates.
double plotYFromPixel(ProfileKind kind, double pixelY, double heightPixels);

// The read-outs shown while the mouse moves over the profiles: moving over
// one clears the other, moving over the window clears both.
class ProfileReadouts {
public:
    void mouseOverSpeed(double plotY);
    void mouseOverAltitude(double plotY);
    void mouseLeft();
    const QString& speed() const { return m_speed; }
    const QString& altitude() const { return m_altitude; }
    const QString& text(ProfileKind kind) const { return kind == ProfileKind::Speed ? m_speed : m_altitude; }

private:
    QString m_speed, m_altitude;
};

// Draws one profile scaled into rect: the strip in blue (pen width 2), the
// grid and its label in black, then the read-out when not empty. The caller
// fills the background.
void drawProfile(QPainter* painter, const QRectF& rect, const Profile& profile, ProfileKind kind,
                 const QString& readout = {});

} // namespace vur
