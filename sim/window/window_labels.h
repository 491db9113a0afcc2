#pragma once
// Labels that keep the window's size in check and say what they do: a label
// that elides what does not fit (the whole text in its tool tip) and a label
// that reacts to clicks and looks like it.
#include <QLabel>

namespace zelvan {

// Shows as much of its text as fits, with "…" where it cuts; text() stays
// the whole text. Its size hint never asks for more than a few characters,
// so a long file name or path cannot widen the window.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);
    bool isElided() const;
    // The tool tip as shown on hover: the whole text when it is cut, with
    // the label's own tip (if any) after it.
    QString effectiveToolTip() const;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;

private:
    QString shownText() const;
    Qt::TextElideMode m_mode;
};

// A label that acts on a click (the click itself is wired by its owner):
// pointing-hand cursor, a raised button-like frame, highlighted on hover.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text = {}, QWidget* parent = nullptr);
    bool isHovered() const { return m_hover; }

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool m_hover = false;
};

} // namespace zelvan
