#pragma once
// Every question or message a program puts to the user goes through this
// interface, so tests answer dialogs without a person and engines need no
// widgets (the message boxes themselves are in common/gui/).
#include <QString>

namespace zv {

class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Ok, Yes, No, Cancel };
    enum class Buttons { Ok, YesNo, YesNoCancel, OkCancel };

    virtual ~Dialogs() = default;

    // A message box; the answer is the button pressed.
    virtual Answer message(const QString& text, const QString& title,
                           Icon icon = Icon::None, Buttons buttons = Buttons::Ok) = 0;
    // An input box; an empty optional-like result (ok == false) is Cancel.
    virtual QString input(const QString& prompt, const QString& title,
                          const QString& defaultText, bool* ok) = 0;
    virtual void beep() = 0;
};

} // namespace zv
