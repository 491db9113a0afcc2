#pragma once
// The recording dialogue: SAVE and LOAD each open the name field FileT and
// the list FileL of "*.dat" files; the same button again, Enter in FileT
// or a double click in FileL confirms the name.
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace vur {

// FileT_KeyUp: the first of the first 101 names whose leading characters
// (as many as typed) are not less than the typed text, compared in upper
// case; the first name when none is; -1 without names.
int incrementalSelection(const QStringList& names, const QString& typed);

class RecordingDialogueView;

class RecordingDialogue {
public:
    enum class Mode { Normal, Saving, Loading };
    using Action = std::function<void(const QString& typedName)>;

    // A null view: the dialogue runs unseen.
    RecordingDialogue(const QString& dir, RecordingDialogueView* view);
    void setActions(Action save, Action load);

    void SAVE_Click();
    void LOAD_Click();
    void FileL_Click(int row);
    void FileL_DblClick(int row);
    // Enter confirms; any other key selects incrementally.
    void FileT_KeyUp(bool enter);
    // The text of the name field as the user edits it.
    void setTypedName(const QString& text) { m_typed = text; }
    const QString& typedName() const { return m_typed; }
    const QStringList& listedNames() const { return m_names; }

    Mode mode() const { return m_mode; }
    // The "*.dat" files of the folder, by name.
    QStringList recordingNames() const;

private:
    void open(Mode mode);
    void confirm();
    void showNormal();
    void refreshList();

    QString m_dir;
    RecordingDialogueView* m_view;
    QStringList m_names;
    QString m_typed;
    Mode m_mode = Mode::Normal;
    Action m_save, m_load;
};

// The front end of the dialogue.
class RecordingDialogueView {
public:
    virtual ~RecordingDialogueView() = default;
    // Normal: SAVE, LOAD and the log boxes shown, name field and list hidden.
    // Saving or Loading: the other button and the log boxes give way to the
    // name field (focused) and the list.
    virtual void showDialogueMode(RecordingDialogue::Mode mode) = 0;
    virtual void showRecordingNames(const QStringList& names) = 0;
    virtual void showTypedName(const QString& name) = 0;
    virtual void focusNameField() = 0;
    virtual void showNameSelection(int row) = 0;
};

} // namespace vur
