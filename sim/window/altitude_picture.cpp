#include "sim/window/altitude_picture.h"

#include <QPainter>

namespace zelvan {

AltitudePicture::AltitudePicture(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(160, 70);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x40, 0x40, 0x48));
    setPalette(p);
}

void AltitudePicture::clear()
{
    m_series.clear();
    m_marks.clear();
    m_scaled = false;
    update();
}

void AltitudePicture::setRecordRange(double xMax)
{
    m_xMax = xMax > 0 ? xMax : 1;
    m_scaled = true;
    update();
}

void AltitudePicture::addPoint(double x, double altitude, const QColor& colour, int width)
{
    for (auto& s : m_series)
        if (s.colour == colour && s.width == width) {
            s.points.append({x, altitude});
            return;
        }
    m_series.append({colour, width, {QPointF(x, altitude)}});
}

void AltitudePicture::addMark(double x)
{
    m_marks.append(x);
}

int AltitudePicture::pointCount() const
{
    int n = 0;
    for (const auto& s : m_series)
        n += s.points.size();
    return n;
}

void AltitudePicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const double w = width(), h = height();
    auto toPx = [&](QPointF v) { return QPointF(v.x() / m_xMax * w, h - v.y() / 2000.0 * h); };
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(0, h / 2), QPointF(w, h / 2));
    p.setPen(Qt::white);
    const int line = fontMetrics().height();
    p.drawText(QRectF(2, 1, w, line), Qt::AlignLeft | Qt::AlignTop, QStringLiteral(" 2000m"));
    if (!m_scaled) {
        // Before a replay: the scale and what will appear here.
        p.drawText(QRectF(2, h / 2 - line, w, line), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral(" 1000m"));
        p.setPen(QColor(0xA0, 0xA0, 0xA8));
        p.drawText(rect(), Qt::AlignCenter, emptyText());
        return;
    }
    p.setPen(QPen(QColor(0, 200, 0), 1));
    for (double x : m_marks) {
        const double px = x / m_xMax * w;
        p.drawLine(QPointF(px, h), QPointF(px, h * 0.6));
    }
    p.setRenderHint(QPainter::Antialiasing);
    for (const auto& s : m_series) {
        p.setPen(QPen(s.colour, s.width));
        // Thin out to about one vertex per pixel column: 100,000 epochs stay cheap to draw.
        const int step = qMax(1, int(s.points.size() / qMax(1.0, w)));
        QPolygonF poly;
        for (int i = 0; i < s.points.size(); i += step)
            poly.append(toPx(s.points[i]));
        if (poly.size() == 1)
            p.drawPoint(poly.first());
        else
            p.drawPolyline(poly);
    }
}

} // namespace zelvan
