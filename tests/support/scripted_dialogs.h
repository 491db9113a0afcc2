#pragma once
// Dialogs answered by the test: answers are queued before the action, every
// dialog shown is recorded so the test can check its text.
#include "common/dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

namespace zvtest {

class ScriptedDialogs : public zv::Dialogs {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon;
    };

    void queueAnswer(Answer a) { m_answers.enqueue(a); }
    void queueInput(const QString& text, bool ok = true) { m_inputs.enqueue({text, ok}); }

    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        shown.append({text, title, icon});
        if (!m_answers.isEmpty())
            return m_answers.dequeue();
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText, bool* ok) override
    {
        shown.append({prompt, title, Icon::Question});
        if (m_inputs.isEmpty()) {
            if (ok)
                *ok = false;
            return {};
        }
        auto [text, accepted] = m_inputs.dequeue();
        if (ok)
            *ok = accepted;
        return accepted ? (text.isNull() ? defaultText : text) : QString();
    }
    void beep() override { ++beeps; }

    QList<Shown> shown;
    int beeps = 0;

private:
    QQueue<Answer> m_answers;
    QQueue<QPair<QString, bool>> m_inputs;
};

} // namespace zvtest
