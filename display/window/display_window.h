#pragma once
#include <QWidget>

namespace vur {

// The navigation display's main window "Form1".
class DisplayWindow : public QWidget {
    Q_OBJECT
public:
    explicit DisplayWindow(const QString& homeDir, QWidget* parent = nullptr);
    QString homeDir() const { return m_homeDir; }

private:
    QString m_homeDir;
};

} // namespace vur
