#include "display/plots/arrow_plot.h"

#include "display/targets/target_geometry.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

namespace vur {

void drawTargetArrow(QPainter* painter, const QRectF& rect, double relativeDeg)
{
    if (!painter || rect.isEmpty())
        return;
    QTransform t;
    t.translate(rect.left(), rect.top());
    t.scale(rect.width() / 1000.0, rect.height() / 1000.0);
    painter->save();
    painter->setClipRect(rect);
    QPen cross(Qt::black);
    cross.setWidth(1);
    painter->setPen(cross);
    painter->drawLine(t.map(QLineF(100, 500, 900, 500)));
    painter->drawLine(t.map(QLineF(500, 100, 500, 900)));
    QPen arrow(QColor(0, 192, 0));
    arrow.setWidth(3);
    painter->setPen(arrow);
    painter->setBrush(Qt::NoBrush);
    QPolygonF outline;
    for (const QPoint& p : arrowOutline(relativeDeg))
        outline << QPointF(p);
    painter->drawPolyline(t.map(outline));
    painter->restore();
}

} // namespace vur
