#include "sim/window/sim_controls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPalette>

namespace zelvan {

QColor qColor(zv::Rgb colour)
{
    return QColor(colour.r, colour.g, colour.b);
}

static QColor fromBgr(unsigned bgr)
{
    return qColor(zv::rgbFromBgr(bgr));
}

void setText(QLabel* label, const QString& text)
{
    if (label)
        label->setText(text);
}

void setCaptionColour(QAbstractButton* box, unsigned bgr)
{
    if (!box)
        return;
    QPalette p = box->palette();
    p.setColor(QPalette::WindowText, fromBgr(bgr));
    p.setColor(QPalette::ButtonText, fromBgr(bgr));
    box->setPalette(p);
    box->setProperty("captionColour", bgr);
}

void setBackColour(QWidget* w, unsigned bgr)
{
    if (!w)
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::Window, fromBgr(bgr));
    p.setColor(QPalette::Button, fromBgr(bgr));
    w->setAutoFillBackground(true);
    w->setPalette(p);
    w->setProperty("backColour", bgr);
}

bool isChecked(const QAbstractButton* b)
{
    return b && b->isChecked();
}

} // namespace zelvan
