#include "display/trip/recording_dialogue.h"

#include <QDir>

namespace vur {
namespace {

// Only a-z are changed, so umlauts compare as they are.
QString upperAscii(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    return out;
}

} // namespace

int incrementalSelection(const QStringList& names, const QString& typed)
{
    if (names.isEmpty())
        return -1;
    const QString key = upperAscii(typed.trimmed());
    const qsizetype n = std::min<qsizetype>(names.size(), 101);
    for (qsizetype i = 0; i < n; ++i)
        if (upperAscii(names[i]).left(key.size()) >= key)
            return static_cast<int>(i);
    return 0;
}

RecordingDialogue::RecordingDialogue(const QString& dir, RecordingDialogueView* view)
    : m_dir(dir), m_view(view)
{
    refreshList();
    showNormal();
}

void RecordingDialogue::setActions(Action save, Action load)
{
    m_save = std::move(save);
    m_load = std::move(load);
}

void RecordingDialogue::SAVE_Click()
{
    if (m_mode == Mode::Normal)
        open(Mode::Saving);
    else if (m_mode == Mode::Saving)
        confirm();
}

void RecordingDialogue::LOAD_Click()
{
    if (m_mode == Mode::Normal)
        open(Mode::Loading);
    else if (m_mode == Mode::Loading)
        confirm();
}

void RecordingDialogue::FileL_Click(int row)
{
    if (row < 0 || row >= m_names.size())
        return;
    m_typed = m_names[row];
    if (m_view) {
        m_view->showTypedName(m_typed);
        m_view->focusNameField();
    }
}

void RecordingDialogue::FileL_DblClick(int row)
{
    FileL_Click(row);
    if (m_mode != Mode::Normal)
        confirm();
}

void RecordingDialogue::FileT_KeyUp(bool enter)
{
    if (enter) {
        if (m_mode != Mode::Normal)
            confirm();
        return;
    }
    if (m_view)
        m_view->showNameSelection(incrementalSelection(m_names, m_typed));
}

QStringList RecordingDialogue::recordingNames() const
{
    return QDir(m_dir).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void RecordingDialogue::open(Mode mode)
{
    m_mode = mode;
    refreshList();
    if (m_view) {
        m_view->showDialogueMode(mode);
        m_view->focusNameField();
    }
}

void RecordingDialogue::confirm()
{
    const Mode mode = m_mode;
    const QString typed = m_typed.trimmed();
    showNormal();
    if (typed.isEmpty())
        return;
    const Action& act = mode == Mode::Saving ? m_save : m_load;
    if (act)
        act(typed);
    m_typed.clear();
    if (m_view)
        m_view->showTypedName(m_typed);
    refreshList();
}

void RecordingDialogue::showNormal()
{
    m_mode = Mode::Normal;
    if (m_view)
        m_view->showDialogueMode(m_mode);
}

void RecordingDialogue::refreshList()
{
    m_names = recordingNames();
    if (m_view)
        m_view->showRecordingNames(m_names);
}

} // namespace vur
