#pragma once
// The rig's settings in the window: live time, injected faults and their
// seed, as the texts the command line takes. The rig's own functions read
// and check them; the dialog shows what they say beside the field.
#include "sim/rig/sentence_rig.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace zelvan {

class RigDialog : public QDialog {
    Q_OBJECT
public:
    explicit RigDialog(QWidget* parent = nullptr);

    // The fields as the options give them (no seed: the field is empty).
    void setOptions(const RigOptions& options);
    // What the fields say; none while one of them is wrong.
    std::optional<RigOptions> options() const;
    // The seed the faults run with now, for repeating the run.
    void setSeedInUse(std::optional<quint64> seed);

    // Refused while a field is wrong; its message stays beside it.
    void accept() override;

private:
    struct Reading {
        RigOptions options;
        QString timeError, faultsError, seedError;
        bool ok() const { return timeError.isEmpty() && faultsError.isEmpty() && seedError.isEmpty(); }
    };
    Reading read() const;
    // Every field checked again, the messages shown.
    void check();

    QRadioButton* m_time[3] = {};
    QLineEdit* m_start = nullptr;
    QLabel* m_timeError = nullptr;
    QLineEdit* m_faults = nullptr;
    QComboBox* m_presets = nullptr;
    QLabel* m_faultsError = nullptr;
    QLineEdit* m_seed = nullptr;
    QLabel* m_seedError = nullptr;
    QLabel* m_seedInUse = nullptr;
};

} // namespace zelvan
