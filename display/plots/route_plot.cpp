#include "display/plots/route_plot.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

#include <cmath>

namespace vur {

QPointF routeScreenPoint(double x, double y, int scale)
{
    const double f = 5.0 * std::ldexp(1.0, scale);
    return {x / f + 50.0, y / f + 50.0};
}

void drawRoute(QPainter* painter, const QRectF& rect, const TripState& trip, std::optional<QPointF> destination)
{
    if (!painter || rect.isEmpty())
        return;
    QTransform t;
    t.translate(rect.left(), rect.top());
    t.scale(rect.width() / 100.0, rect.height() / 100.0);

    const Route& r = trip.route;
    QPolygonF line;
    line.reserve(r.count + 2);
    line.append(t.map(QPointF(50, 50)));
    for (int i = 0; i < r.count; ++i)
        line.append(t.map(routeScreenPoint(r.x[i], r.y[i], r.scale)));
    if (trip.hasLast) {
        const QPointF last = t.map(routeScreenPoint(trip.lastX, trip.lastY, r.scale));
        if (line.back() != last)
            line.append(last);
    }

    painter->save();
    painter->setClipRect(rect);
    QPen blue(QColor(0, 0, 255));
    blue.setCosmetic(true);
    painter->setPen(blue);
    if (line.size() > 1)
        painter->drawPolyline(line);
    if (destination) {
        QPen green(QColor(0, 192, 0));
        green.setCosmetic(true);
        painter->setPen(green);
        painter->setBrush(Qt::NoBrush);
        const QPointF c = t.map(routeScreenPoint(destination->x(), destination->y(), r.scale));
        painter->drawEllipse(c, 3.0 * rect.width() / 100.0, 3.0 * rect.height() / 100.0);
    }
    painter->restore();
}

} // namespace vur
