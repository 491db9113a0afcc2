#pragma once
// The altitude picture DIA: altitude from 0 (bottom) to 2000 m (top) over the
// record range, with a line at 1000 m, GGA altitudes in olive, track-record
// altitudes in yellow and green segment marks.
#include <QColor>
#include <QVector>
#include <QWidget>

namespace zelvan {

class AltitudePicture : public QWidget {
    Q_OBJECT
public:
    explicit AltitudePicture(QWidget* parent = nullptr);

    void clear();
    void setRecordRange(double xMax);
    // One polyline per colour and width; a point joins the previous of its series.
    void addPoint(double x, double altitude, const QColor& colour, int width);
    void addMark(double x);
    int pointCount() const;
    // What the picture shows before a replay has scaled it.
    static QString emptyText() { return QStringLiteral("Altitude profile of the replayed track"); }
    QSize sizeHint() const override { return {220, 90}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    struct Series {
        QColor colour;
        int width;
        QVector<QPointF> points;
    };
    double m_xMax = 1;
    QVector<Series> m_series;
    QVector<double> m_marks;
    bool m_scaled = false;
};

} // namespace zelvan
