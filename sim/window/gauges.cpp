#include "sim/window/gauges.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

namespace zelvan {

CompassGauge::CompassGauge(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(72, 72);
}

void CompassGauge::setValue(int value)
{
    if (m_value != value) {
        m_value = value;
        update();
    }
}

void CompassGauge::setNeedleWidth(int width)
{
    if (m_needleWidth != width) {
        m_needleWidth = width;
        update();
    }
}

void CompassGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height()) - 4;
    const QPointF c(width() / 2.0, height() / 2.0);
    const double r = side / 2.0;
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(c, r, r);
    p.setPen(palette().color(QPalette::Text));
    QFont f = font();
    f.setPointSizeF(qMax(6.0, f.pointSizeF() * 0.8));
    p.setFont(f);
    const char* marks[] = {"N", "E", "S", "W"};
    for (int i = 0; i < 4; ++i) {
        const double a = qDegreesToRadians(i * 90.0);
        const QPointF at(c.x() + std::sin(a) * (r - 9), c.y() - std::cos(a) * (r - 9));
        p.drawText(QRectF(at.x() - 8, at.y() - 8, 16, 16), Qt::AlignCenter, QString::fromLatin1(marks[i]));
    }
    // A width this large is the engines' "standing still" sign, not a
    // needle to draw: the centre dot alone says there is no course.
    if (showsNeedle()) {
        // The needle value is course + 90: the gauge's zero points west.
        const double course = qDegreesToRadians(double(m_value - 90));
        const QPointF tip(c.x() + std::sin(course) * (r - 16), c.y() - std::cos(course) * (r - 16));
        p.setPen(QPen(QColor(200, 0, 0), m_needleWidth, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, tip);
    }
    p.setBrush(QColor(60, 60, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 3, 3);
}

ProgressGauge::ProgressGauge(QWidget* parent) : QWidget(parent)
{
    setMinimumHeight(16);
    setCursor(Qt::PointingHandCursor);
}

void ProgressGauge::setMaximum(std::int32_t max)
{
    m_max = max;
    update();
}

void ProgressGauge::setValue(std::int32_t value)
{
    if (m_value != value) {
        m_value = value;
        update();
    }
}

void ProgressGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(r, palette().color(QPalette::Base));
    if (m_max > 0 && m_value > 0) {
        const double frac = qBound(0.0, double(m_value) / m_max, 1.0);
        p.fillRect(QRect(r.left() + 1, r.top() + 1, int((r.width() - 1) * frac), r.height() - 1),
                   QColor(40, 120, 200));
    }
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r);
}

void ProgressGauge::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Q_EMIT clickedAt(int(e->position().x()));
    QWidget::mousePressEvent(e);
}

} // namespace zelvan
