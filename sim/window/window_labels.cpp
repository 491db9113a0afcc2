#include "sim/window/window_labels.h"

#include <QEnterEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace zelvan {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(1);
}

QString ElidedLabel::shownText() const
{
    const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    return fontMetrics().elidedText(text(), m_mode, r.width());
}

bool ElidedLabel::isElided() const
{
    return !text().isEmpty() && shownText() != text();
}

QString ElidedLabel::effectiveToolTip() const
{
    if (!isElided())
        return toolTip();
    return toolTip().isEmpty() ? text() : text() + QLatin1Char('\n') + toolTip();
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QSize full = QLabel::minimumSizeHint();
    return {qMin(full.width(), fontMetrics().horizontalAdvance(QStringLiteral("MMMM\u2026"))), full.height()};
}

QSize ElidedLabel::sizeHint() const
{
    return {minimumSizeHint().width(), QLabel::sizeHint().height()};
}

bool ElidedLabel::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && isElided()) {
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), effectiveToolTip(), this);
        return true;
    }
    return QLabel::event(e);
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawFrame(&p);
    const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&p, r, int(alignment()), palette(), isEnabled(), shownText(), foregroundRole());
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    setAttribute(Qt::WA_Hover);
}

void ClickableLabel::enterEvent(QEnterEvent* e)
{
    m_hover = true;
    update();
    QLabel::enterEvent(e);
}

void ClickableLabel::leaveEvent(QEvent* e)
{
    m_hover = false;
    update();
    QLabel::leaveEvent(e);
}

void ClickableLabel::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (!m_hover)
        return;
    // A ring in the highlight colour: the label's own background stays
    // readable (the clock labels carry their state in it).
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

} // namespace zelvan
