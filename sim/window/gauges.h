#pragma once
// The two gauges of the window: a compass with a needle (Gauge1) and a
// progress bar that reports where it was clicked (Gauge2).
#include <QWidget>
#include <cstdint>

namespace zelvan {

class CompassGauge : public QWidget {
    Q_OBJECT
public:
    explicit CompassGauge(QWidget* parent = nullptr);
    // Needle value as the gauge takes it: course + 90 (0..359).
    void setValue(int value);
    int value() const { return m_value; }
    void setNeedleWidth(int width);
    int needleWidth() const { return m_needleWidth; }
    // Widths from kStandingStillWidth up mean "no course": no needle is drawn.
    static constexpr int kStandingStillWidth = 40;
    bool showsNeedle() const { return m_needleWidth < kStandingStillWidth; }
    QSize sizeHint() const override { return {96, 96}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_value = 50;
    int m_needleWidth = 3;
};

class ProgressGauge : public QWidget {
    Q_OBJECT
public:
    explicit ProgressGauge(QWidget* parent = nullptr);
    void setMaximum(std::int32_t max);
    std::int32_t maximum() const { return m_max; }
    void setValue(std::int32_t value);
    std::int32_t value() const { return m_value; }
    QSize sizeHint() const override { return {200, 18}; }

Q_SIGNALS:
    // x within the gauge's width, as the jump by click needs it.
    void clickedAt(int x);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    std::int32_t m_max = 100;
    std::int32_t m_value = 0;
};

} // namespace zelvan
