#include "display/plots/profile_plot.h"

#include "common/number_text.h"

#include <QPainter>
#include <QPen>
#include <QTransform>

#include <algorithm>
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

ProfileScale fixedProfileScale(ProfileKind kind)
{
    return {0, double(profileRange(kind))};
}

ProfileScale fittedProfileScale(const Profile& p, ProfileKind kind)
{
    const int n = std::clamp(p.points, 0, Profile::kMaxPoints);
    if (n == 0)
        return fixedProfileScale(kind);
    // The samples drawn: P[1] .. P[n + 1].
    const auto first = p.values.begin() + 1;
    const auto [lo, hi] = std::minmax_element(first, first + n + 1);
    const double least = *lo, most = *hi;
    const double leastStep = kind == ProfileKind::Speed ? 1 : 5;
    for (double magnitude = 1;; magnitude *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double step = magnitude * factor;
            if (step < leastStep)
                continue;
            // Below the lowest sample, so none lies on the lower edge; 0 is the floor itself.
            double low = std::floor(least / step) * step;
            if (low == least && least != 0)
                low -= step;
            if (most < low + 4 * step)
                return {low, low + 4 * step};
        }
    }
}

double profileY(ProfileKind kind, double value, const ProfileScale& scale)
{
    const double range = profileRange(kind);
    const double span = scale.high - scale.low;
    if (span <= 0)
        return profileY(kind, value);
    return profileY(kind, (value - scale.low) * range / span);
}

QList<QLineF> profileSegments(const Profile& p, ProfileKind kind)
{
    return profileSegments(p, kind, fixedProfileScale(kind));
}

QList<QLineF> profileSegments(const Profile& p, ProfileKind kind, const ProfileScale& scale)
{
    QList<QLineF> out;
    const int n = std::clamp(p.points, 0, Profile::kMaxPoints);
    out.reserve(n);
    for (int i = 1; i <= n; ++i)
        out.append(QLineF(i - 1, profileY(kind, p.values[i], scale), i, profileY(kind, p.values[i + 1], scale)));
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

QList<ProfileLabel> profileGridLabels(ProfileKind kind, const ProfileScale& scale)
{
    if (scale == fixedProfileScale(kind))
        return {{profileGridLabelPos(kind), profileGridLabel(kind)}};
    // Each line's value, written just above it as the fixed label is.
    const double r = profileRange(kind);
    const double above = profileGridLabelPos(kind).y() - r / 2;
    QList<ProfileLabel> out;
    for (const double part : {0.75, 0.5, 0.25}) {
        const double value = scale.low + (scale.high - scale.low) * part;
        out.append({QPointF(0, r * (1 - part) + above), QString::number(value) + QLatin1Char(' ')});
    }
    return out;
}

QPointF profileReadoutPos(ProfileKind kind)
{
    return kind == ProfileKind::Speed ? QPointF(412, 1) : QPointF(420, 1);
}

QString profileReadoutText(ProfileKind kind, double plotY)
{
    return profileReadoutText(kind, plotY, fixedProfileScale(kind));
}

QString profileReadoutText(ProfileKind kind, double plotY, const ProfileScale& scale)
{
    const double range = profileRange(kind);
    const double span = scale.high > scale.low ? scale.high - scale.low : range;
    const double v = std::floor(scale.low + (range - plotY) * span / range);
    return zv::plainNumberText(v) + (kind == ProfileKind::Speed ? QStringLiteral(" km/h     ") : QStringLiteral(" m     "));
}

double plotYFromPixel(ProfileKind kind, double pixelY, double heightPixels)
{
    if (heightPixels <= 0)
        return 0;
    return pixelY * profileRange(kind) / heightPixels;
}

void ProfileReadouts::mouseOverSpeed(double plotY, const ProfileScale& scale)
{
    m_altitude.clear();
    m_speed = profileReadoutText(ProfileKind::Speed, plotY, scale);
}

void ProfileReadouts::mouseOverAltitude(double plotY, const ProfileScale& scale)
{
    m_speed.clear();
    m_altitude = profileReadoutText(ProfileKind::Altitude, plotY, scale);
}

void ProfileReadouts::mouseLeft()
{
    m_speed.clear();
    m_altitude.clear();
}

void drawProfile(QPainter* painter, const QRectF& rect, const Profile& profile, ProfileKind kind, const QString& readout,
                 std::optional<ProfileScale> scale)
{
    if (!painter || rect.isEmpty())
        return;
    const ProfileScale s = scale.value_or(fixedProfileScale(kind));
    const QTransform t = plotTransform(rect, kind);
    painter->save();
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing, false);

    QPen strip(QColor(0, 0, 255));
    strip.setWidthF(2);
    strip.setCosmetic(true);
    painter->setPen(strip);
    for (const QLineF& l : profileSegments(profile, kind, s))
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
    for (const ProfileLabel& label : profileGridLabels(kind, s))
        text(label.pos, label.text);
    if (!readout.isEmpty())
        text(profileReadoutPos(kind), readout);
    painter->restore();
}

} // namespace vur
