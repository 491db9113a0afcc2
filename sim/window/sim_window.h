#pragma once
#include <QWidget>

namespace zelvan {

// The simulator's main window "SIM".
class SimWindow : public QWidget {
    Q_OBJECT
public:
    explicit SimWindow(const QString& homeDir, QWidget* parent = nullptr);
    QString homeDir() const { return m_homeDir; }

private:
    QString m_homeDir;
};

} // namespace zelvan
