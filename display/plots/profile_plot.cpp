#include "display/plots/profile_plot.h"

#include "common/number_text.h"

#include <QPainter>
#include <QPen>
#include <QTransform>

#include <cmath>

namespace vur {
namespace {

constexpr double kWidth = 449.0;

QTransform plotTransform(const QRectF& rect, ProfileKind kind)
{
    QTransform t;
    t.translate(rect.left(), rect.top());
    t.scale(rect.width() / kWidth, rect.height() / profileRange(kind));
    return t;
}

} // namespace

int profileRange(ProfileKind kind)
{
    return kind == ProfileKind::Speed ? 200 : 2000;
}

double profileY(ProfileKind kind, double value)
{
    return profileRange(kind) - 1 - value;
}

QList<QLineF> profileSegments(const Profile& p, ProfileKind kind)
{
    QList<QLineF> out;
    const int n = std::clamp(p.points, 0, Profile::kMaxPoints);
    out.reserve(n);
    for (int i = 1; i <= n; ++i)
        out.append(QLineF(i - 1, profileY(kind, p.values[i]), i, profileY(kind, p.values[i + 1])));
    return out;
}

QList<QLineF> profileGrid(ProfileKind kind)
{
    const double r = profileRange(kind);
    return {QLineF(0, r / 2, 450, r / 2), QLineF(0, r / 4, 450, r / 4), QLineF(0, r * 3 / 4, 450, r * 3 / 4)};
}

QString profileGridLabel(ProfileKind kind)
{
    return kind == ProfileKind::Speed ? QStringLiteral("100 ") : QStringLiteral("1000 ");
}

QPointF profileGridLabelPos(ProfileKind kind)
{
    return kind == ProfileKind::Speed ? QPointF(0, 90) : QPointF(0, 900);
}

QPointF profileReadoutPos(ProfileKind kind)
{
    return kind == ProfileKind::Speed ? QPointF(412, 1) : QPointF(420, 1);
}

QString profileReadoutText(ProfileKind kind, double plotY)
{
    const double v = std::floor(profileRange(kind) - plotY);
    return zv::plainNumberText(v) + (kind == ProfileKind::Speed ? QStringLiteral(" km/h     ") : QStringLiteral(" m     "));
}

double plotYFromPixel(ProfileKind kind, double pixelY, double heightPixels)
{
    if (heightPixels <= 0)
        return 0;
    return pixelY * profileRange(kind) / heightPixels;
}

void ProfileReadouts::mouseOverSpeed(double plotY)
{
    m_altitude.clear();
    m_speed = profileReadoutText(ProfileKind::Speed, plotY);
}

void ProfileReadouts::mouseOverAltitude(double plotY)
{
    m_speed.clear();
    m_altitude = profileReadoutText(ProfileKind::Altitude, plotY);
}

void ProfileReadouts::mouseLeft()
{
    m_speed.clear();
    m_altitude.clear();
}

void drawProfile(QPainter* painter, const QRectF& rect, const Profile& profile, ProfileKind kind, const QString& readout)
{
    if (!painter || rect.isEmpty())
        return;
    const QTransform t = plotTransform(rect, kind);
    painter->save();
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing, false);

    QPen strip(QColor(0, 0, 255));
    strip.setWidthF(2);
    strip.setCosmetic(true);
    painter->setPen(strip);
    for (const QLineF& l : profileSegments(profile, kind))
        painter->drawLine(t.map(l));

    QPen grid(Qt::black);
    grid.setWidthF(1);
    grid.setCosmetic(true);
    painter->setPen(grid);
    for (const QLineF& l : profileGrid(kind))
        painter->drawLine(t.map(l));

    // Texts are placed by their top-left corner, as in the plot's coordinates.
    const QFontMetricsF fm(painter->font());
    auto text = [&](QPointF at, const QString& s) {
        painter->drawText(t.map(at) + QPointF(0, fm.ascent()), s);
    };
    text(profileGridLabelPos(kind), profileGridLabel(kind));
    if (!readout.isEmpty())
        text(profileReadoutPos(kind), readout);
    painter->restore();
}

} // namespace vur
