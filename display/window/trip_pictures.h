#pragma once
// The picture boxes of the trip and the targets: the profiles SPL and NNL,
// the route view RTE, the target arrow DirP and the indicator lamps. Each
// draws the state it is given through a function, scaled to its size.
#include "display/plots/profile_plot.h"

#include <QFrame>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;

namespace vur {

// "SPL" / "NNL": one profile strip with the mouse read-out. A right click
// chooses between the fixed scale and one fitted to the samples (actions
// "<name>Fixed" and "<name>Fitted", named once the view has its name).
class ProfileView : public QWidget {
    Q_OBJECT
public:
    ProfileView(ProfileKind kind, std::function<const Profile&()> profile, ProfileReadouts* readouts,
                QWidget* parent = nullptr);
    ProfileKind kind() const { return m_kind; }
    bool fittedScale() const { return m_fitted; }
    void setFittedScale(bool on);
    // The scale the strip is drawn on now.
    ProfileScale scale() const;
    QSize sizeHint() const override { return {300, 90}; }
    QSize minimumSizeHint() const override { return {120, 50}; }

Q_SIGNALS:
    // Moving over one profile clears the other's read-out.
    void readoutChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent*) override;

private:
    ProfileKind m_kind;
    std::function<const Profile&()> m_profile;
    ProfileReadouts* m_readouts;
    bool m_fitted = false;
    QAction* m_fixedAction;
    QAction* m_fittedAction;
};

// "RTE": the route sketch; a left click raises the scale step, any other
// button lowers it.
class RouteView : public QFrame {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter*, const QRectF&)>;
    explicit RouteView(QWidget* parent = nullptr);
    void setPainter(Painter painter) { m_painter = std::move(painter); update(); }
    QSize sizeHint() const override { return {200, 200}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return w; }

Q_SIGNALS:
    void pressed(bool leftButton);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Painter m_painter;
};

// "DirP": the arrow to the destination relative to the course; blank
// until a destination has been computed.
class TargetArrowView : public QWidget {
    Q_OBJECT
public:
    explicit TargetArrowView(std::function<std::optional<double>()> arrow, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {120, 120}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return w; }

Q_SIGNALS:
    void pressed(bool leftButton);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<std::optional<double>()> m_arrow;
};

// "RecA", "Agn", "Art": a round lamp in one colour.
class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(const QColor& colour, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_colour;
};

} // namespace vur
