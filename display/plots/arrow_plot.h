#pragma once
// The target arrow DirP: a cross and the arrow towards the destination.
#include <QRectF>

class QPainter;

namespace vur {

// Draws the cross (pen 1, black) and the green arrow (pen 3) into rect.
void drawTargetArrow(QPainter* painter, const QRectF& rect, double relativeDeg);

} // namespace vur
