#pragma once
// The message and input boxes behind the Dialogs interface.
#include "common/dialogs.h"

class QWidget;

namespace zv {

// The real dialogs, modal to the given parent window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : m_parent(parent) {}
    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText, bool* ok) override;
    void beep() override;

private:
    QWidget* m_parent;
};

} // namespace zv
