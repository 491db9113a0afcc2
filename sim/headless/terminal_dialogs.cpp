#include "sim/headless/terminal_dialogs.h"

#include "sim/replay/channels/nonblocking_fd.h"

#include <cstdio>

namespace zelvan {

namespace {

void writeErrorLine(const QByteArray& line)
{
    // Standard error nobody reads (a pipe into a stopped pager) must not stop
    // the run: a line that does not fit now is left out.
    static NonBlockingFd err;
    if (!err.isOpen() && !err.open(2, nullptr))
        return;
    err.writeSome(line.constData(), line.size());
}

} // namespace

void printError(const QString& text)
{
    writeErrorLine("zelvan: " + text.toLocal8Bit() + '\n');
}

void printProgress(const QString& text)
{
    writeErrorLine(text.toLocal8Bit() + '\n');
}

TerminalDialogs::TerminalDialogs(std::function<void(const QString&)> write) : m_write(std::move(write))
{
    if (!m_write)
        m_write = printError;
}

zv::Dialogs::Answer TerminalDialogs::safeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::YesNoCancel:
    case Buttons::OkCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
}

zv::Dialogs::Answer TerminalDialogs::message(const QString& text, const QString& title, Icon, Buttons buttons)
{
    QString line = title.trimmed();
    if (!line.isEmpty())
        line += QStringLiteral(": ");
    line += text.simplified();
    const Answer answer = safeAnswer(buttons);
    if (buttons != Buttons::Ok)
        line += answer == Answer::No ? QStringLiteral(" [answered No]") : QStringLiteral(" [answered Cancel]");
    m_write(line);
    return answer;
}

QString TerminalDialogs::input(const QString& prompt, const QString& title, const QString&, bool* ok)
{
    m_write(title.trimmed() + QStringLiteral(": ") + prompt.simplified() + QStringLiteral(" [cancelled]"));
    if (ok)
        *ok = false;
    return {};
}

} // namespace zelvan
