#pragma once
// Dialogs for a run without a window: messages go to standard error, and a
// question gets the answer that changes nothing (No, Cancel).
#include "common/dialogs.h"

#include <functional>

namespace zelvan {

class TerminalDialogs : public zv::Dialogs {
public:
    // write: one line of text (standard error unless a test catches it).
    explicit TerminalDialogs(std::function<void(const QString&)> write = {});

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText, bool* ok) override;
    void beep() override {}

    static Answer safeAnswer(Buttons buttons);

private:
    std::function<void(const QString&)> m_write;
};

// One line on standard error, prefixed "zelvan: ".
void printError(const QString& text);
// "text" as a line on standard error, without the program's name.
void printProgress(const QString& text);

} // namespace zelvan
