#pragma once
// The recording dialogue: SAVE and LOAD each open the name field FileT and
// the list FileL of "*.dat" files; the same button again, Enter in FileT
// or a double click in FileL confirms the name.
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace vur {

struct RecordingDialogueWidgets {
    QPushButton* SAVE = nullptr;
    QPushButton* LOAD = nullptr;
    QLineEdit* FileT = nullptr;
    QListWidget* FileL = nullptr;
    std::array<QWidget*, 2> check1{}; // the log boxes give way to the dialogue
};

// FileT_KeyUp: the first of the first 101 names whose leading characters
// (as many as typed) are not less than the typed text, compared in upper
// case; the first name when none is; -1 without names.
int incrementalSelection(const QStringList& names, const QString& typed);

class RecordingDialogue {
public:
    enum class Mode { Normal, Saving, Loading };
    using Action = std::function<void(const QString& typedName)>;

    RecordingDialogue(const QString& dir, const RecordingDialogueWidgets& widgets);
    void setActions(Action save, Action load);

    void SAVE_Click();
    void LOAD_Click();
    void FileL_Click(int row);
    void FileL_DblClick(int row);
    // Enter confirms; any other key selects incrementally.
    void FileT_KeyUp(bool enter);

    Mode mode() const { return m_mode; }
    // The "*.dat" files of the folder, by name.
    QStringList recordingNames() const;

private:
    void open(Mode mode);
    void confirm();
    void showNormal();
    void refreshList();

    QString m_dir;
    RecordingDialogueWidgets m_w;
    Mode m_mode = Mode::Normal;
    Action m_save, m_load;
};

} // namespace vur
