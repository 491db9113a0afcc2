#pragma once
// The picture boxes of the live display: the compass with its course needle,
// the satellite signal bars and the reception-fault sign. Each draws in the
// logical coordinates the read-outs are defined in, scaled to its size.
#include <QWidget>

#include <vector>

namespace vur {

// "TRK": 0..1000 both ways, letters N O S W and two rings around (500, 500).
class CompassView : public QWidget {
    Q_OBJECT
public:
    explicit CompassView(QWidget* parent = nullptr);
    // Angle in radians counter-clockwise from the positive x axis.
    void setNeedle(double angle);
    bool hasNeedle() const { return m_hasNeedle; }
    double needle() const { return m_angle; }
    QSize sizeHint() const override { return {160, 160}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return w; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double m_angle = 0;
    bool m_hasNeedle = false;
};

// "GPSS": 0..100 both ways, y downward; one column per satellite heard,
// at least twelve columns.
class SatelliteBars : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteBars(QWidget* parent = nullptr);
    void setBars(std::vector<double> signalValues);
    void clearBars();
    const std::vector<double>& bars() const { return m_bars; }
    // A line of text at (2, 1), above the bars, until the picture is cleared.
    void setMessage(const QString& text);
    const QString& message() const { return m_message; }
    int columnCount() const;
    QSize sizeHint() const override { return {160, 110}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<double> m_bars;
    bool m_drawn = false;
    QString m_message;
};

// "GPSok": shown while the receiver reports no satellites in use.
class FaultPicture : public QWidget {
    Q_OBJECT
public:
    explicit FaultPicture(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace vur
