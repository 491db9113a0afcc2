#include "display/window/readout_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vur {
namespace {

// Largest centred square: the pictures keep their proportions.
QRect squareIn(const QRect& r)
{
    const int side = std::min(r.width(), r.height());
    return {r.x() + (r.width() - side) / 2, r.y() + (r.height() - side) / 2, side, side};
}

} // namespace

CompassView::CompassView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(100, 100);
    setAutoFillBackground(true);
}

void CompassView::setNeedle(double angle)
{
    m_angle = angle;
    m_hasNeedle = true;
    update();
}

void CompassView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setViewport(squareIn(rect()));
    p.setWindow(0, 0, 1000, 1000);
    QPen ring(palette().color(QPalette::WindowText), 1.5);
    ring.setCosmetic(true);
    p.setPen(ring);
    p.drawEllipse(QPointF(500, 500), 300, 300);
    p.drawEllipse(QPointF(500, 500), 400, 400);
    QFont f = font();
    f.setPixelSize(90);
    f.setBold(true);
    p.setFont(f);
    // Positions are the letters' top-left corners.
    const auto letter = [&](int x, int y, const char* text) {
        p.drawText(QRectF(x - 20, y, 120, 110), Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(text));
    };
    letter(490 - 20, 100, "N");
    letter(826, 450 - 50, "O");
    letter(490 - 20, 800, "S");
    letter(120, 450 - 50, "W");
    if (m_hasNeedle) {
        QPen needle(QColor(255, 0, 0), 5, Qt::SolidLine, Qt::RoundCap);
        needle.setCosmetic(true);
        p.setPen(needle);
        const QPointF tip(500 + 350 * std::cos(m_angle), 500 - 350 * std::sin(m_angle));
        p.drawLine(QPointF(500, 500), tip);
    }
}

SatelliteBars::SatelliteBars(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(100, 60);
    setAutoFillBackground(true);
}

void SatelliteBars::setBars(std::vector<double> signalValues)
{
    m_bars = std::move(signalValues);
    m_drawn = true;
    update();
}

void SatelliteBars::clearBars()
{
    m_bars.clear();
    m_drawn = false;
    m_message.clear();
    update();
}

void SatelliteBars::setMessage(const QString& text)
{
    m_message = text;
    update();
}

int SatelliteBars::columnCount() const
{
    return m_drawn ? std::max<int>(12, static_cast<int>(m_bars.size())) : 0;
}

void SatelliteBars::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_message.isEmpty()) {
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.drawText(QPointF(2 * width() / 100.0, 1 * height() / 100.0 + QFontMetricsF(f).ascent()), m_message);
    }
    if (!m_drawn)
        return;
    // 0..100 both ways; thirteen columns fit. With more (several
    // constellations) the picture is widened so every satellite keeps its bar.
    const int columns = std::max<int>(12, static_cast<int>(m_bars.size()));
    p.setWindow(0, 0, std::max(100, 7 * columns + 7), 100);
    const QColor yellow(255, 255, 0), darkBlue(0, 0, 192);
    const auto box = [&](double x1, double y1, double x2, double y2, const QColor& c) {
        p.fillRect(QRectF(QPointF(x1, y1), QPointF(x2 + 1, y2 + 1)).normalized(), c);
    };
    int c = 0;
    for (double signal : m_bars) {
        ++c;
        box(7 * c, 99, 7 * c + 4, 99 - signal, yellow);
        box(7 * c, 99 - signal, 7 * c + 4, 9, darkBlue);
    }
    while (c < 12) {
        ++c;
        box(7 * c, 99, 7 * c + 4, 9, darkBlue);
    }
}

FaultPicture::FaultPicture(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(32, 32);
}

void FaultPicture::paintEvent(QPaintEvent*)
{
    // A struck-through antenna: the receiver hears no satellites.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setViewport(squareIn(rect()));
    p.setWindow(0, 0, 100, 100);
    p.setPen(QPen(Qt::black, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(50, 40, 50, 90);
    p.drawArc(QRectF(25, 15, 50, 50), 30 * 16, 120 * 16);
    p.drawArc(QRectF(10, 0, 80, 80), 35 * 16, 110 * 16);
    p.setPen(QPen(QColor(220, 0, 0), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(8, 8, 84, 84));
    p.drawLine(20, 20, 80, 80);
}

} // namespace vur
