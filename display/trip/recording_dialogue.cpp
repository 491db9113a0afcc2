#include "display/trip/recording_dialogue.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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

RecordingDialogue::RecordingDialogue(const QString& dir, const RecordingDialogueWidgets& widgets)
    : m_dir(dir), m_w(widgets)
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
    if (!m_w.FileL || !m_w.FileT || row < 0 || row >= m_w.FileL->count())
        return;
    m_w.FileT->setText(m_w.FileL->item(row)->text());
    m_w.FileT->setFocus();
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
    if (!m_w.FileL || !m_w.FileT)
        return;
    QStringList names;
    for (int i = 0; i < m_w.FileL->count(); ++i)
        names.append(m_w.FileL->item(i)->text());
    m_w.FileL->setCurrentRow(incrementalSelection(names, m_w.FileT->text()));
}

QStringList RecordingDialogue::recordingNames() const
{
    return QDir(m_dir).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void RecordingDialogue::open(Mode mode)
{
    m_mode = mode;
    if (mode == Mode::Saving && m_w.LOAD)
        m_w.LOAD->hide();
    if (mode == Mode::Loading && m_w.SAVE)
        m_w.SAVE->hide();
    refreshList();
    if (m_w.FileL)
        m_w.FileL->show();
    if (m_w.FileT) {
        m_w.FileT->show();
        m_w.FileT->setFocus();
    }
    for (QWidget* box : m_w.check1)
        if (box)
            box->hide();
}

void RecordingDialogue::confirm()
{
    const Mode mode = m_mode;
    const QString typed = m_w.FileT ? m_w.FileT->text().trimmed() : QString();
    showNormal();
    if (typed.isEmpty())
        return;
    const Action& act = mode == Mode::Saving ? m_save : m_load;
    if (act)
        act(typed);
    if (m_w.FileT)
        m_w.FileT->clear();
    refreshList();
}

void RecordingDialogue::showNormal()
{
    m_mode = Mode::Normal;
    for (QWidget* w : {static_cast<QWidget*>(m_w.FileT), static_cast<QWidget*>(m_w.FileL)})
        if (w)
            w->hide();
    for (QWidget* w : {static_cast<QWidget*>(m_w.SAVE), static_cast<QWidget*>(m_w.LOAD), m_w.check1[0], m_w.check1[1]})
        if (w)
            w->show();
}

void RecordingDialogue::refreshList()
{
    if (!m_w.FileL)
        return;
    m_w.FileL->clear();
    m_w.FileL->addItems(recordingNames());
}

} // namespace vur
