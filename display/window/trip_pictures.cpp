#include "display/window/trip_pictures.h"

#include "display/plots/arrow_plot.h"

#include <QAction>
#include <QActionGroup>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace vur {

ProfileView::ProfileView(ProfileKind kind, std::function<const Profile&()> profile, ProfileReadouts* readouts,
                         QWidget* parent)
    : QWidget(parent), m_kind(kind), m_profile(std::move(profile)), m_readouts(readouts)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const ProfileScale fixed = fixedProfileScale(kind);
    const QString unit = kind == ProfileKind::Speed ? QStringLiteral("km/h") : QStringLiteral("m");
    m_fixedAction = new QAction(QStringLiteral("Scale %1\u2013%2 %3").arg(fixed.low).arg(fixed.high).arg(unit), this);
    m_fittedAction = new QAction(QStringLiteral("Scale fitted to the data"), this);
    auto* group = new QActionGroup(this);
    for (QAction* a : {m_fixedAction, m_fittedAction}) {
        a->setCheckable(true);
        group->addAction(a);
        addAction(a);
    }
    m_fixedAction->setChecked(true);
    connect(m_fixedAction, &QAction::triggered, this, [this] { setFittedScale(false); });
    connect(m_fittedAction, &QAction::triggered, this, [this] { setFittedScale(true); });
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // The actions take the view's name, so tests find them.
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        m_fixedAction->setObjectName(name + QStringLiteral("Fixed"));
        m_fittedAction->setObjectName(name + QStringLiteral("Fitted"));
    });
}

void ProfileView::setFittedScale(bool on)
{
    m_fitted = on;
    (on ? m_fittedAction : m_fixedAction)->setChecked(true);
    update();
}

ProfileScale ProfileView::scale() const
{
    return m_fitted ? fittedProfileScale(m_profile(), m_kind) : fixedProfileScale(m_kind);
}

void ProfileView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    drawProfile(&p, QRectF(rect()), m_profile(), m_kind, m_readouts ? m_readouts->text(m_kind) : QString(), scale());
}

void ProfileView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_readouts)
        return;
    const double y = plotYFromPixel(m_kind, event->position().y(), height());
    if (m_kind == ProfileKind::Speed)
        m_readouts->mouseOverSpeed(y, scale());
    else
        m_readouts->mouseOverAltitude(y, scale());
    Q_EMIT readoutChanged();
}

void ProfileView::leaveEvent(QEvent*)
{
    // Out on the window: both read-outs vanish.
    if (!m_readouts)
        return;
    m_readouts->mouseLeft();
    Q_EMIT readoutChanged();
}

RouteView::RouteView(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
}

void RouteView::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        const QRectF area = contentsRect();
        p.fillRect(area, Qt::white);
        // A square, so north-south and east-west metres look alike.
        const double side = std::min(area.width(), area.height());
        const QRectF square(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
        if (m_painter)
            m_painter(&p, square);
    }
    QFrame::paintEvent(event);
}

void RouteView::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    Q_EMIT pressed(event->button() == Qt::LeftButton);
}

TargetArrowView::TargetArrowView(std::function<std::optional<double>()> arrow, QWidget* parent)
    : QWidget(parent), m_arrow(std::move(arrow))
{
}

void TargetArrowView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (const std::optional<double> a = m_arrow ? m_arrow() : std::nullopt) {
        // Square, so the arrow keeps its angles in a wide box.
        const double side = std::min(width(), height());
        const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
        drawTargetArrow(&p, square, *a);
    }
}

void TargetArrowView::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT pressed(event->button() == Qt::LeftButton);
}

Lamp::Lamp(const QColor& colour, QWidget* parent) : QWidget(parent), m_colour(colour)
{
    setFixedSize(14, 14);
    // Hiding a lamp must not shift its neighbours.
    QSizePolicy keep = sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    setSizePolicy(keep);
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(m_colour);
    p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
}

} // namespace vur
