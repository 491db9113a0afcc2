#pragma once
#include <QWidget>

#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QScrollBar;

namespace zv { class Dialogs; }

namespace vur {

class CompassView;
class FaultPicture;
class Intake;
class LiveDisplay;
class SatelliteBars;

// The navigation display's main window "Form1": creates and lays out the
// controls and wires their events to the intake and the live display.
class DisplayWindow : public QWidget {
    Q_OBJECT
public:
    explicit DisplayWindow(const QString& homeDir, QWidget* parent = nullptr);
    // With the dialogs the window uses (tests pass a scripted double).
    DisplayWindow(const QString& homeDir, zv::Dialogs* dialogs, QWidget* parent = nullptr);
    ~DisplayWindow() override;

    QString homeDir() const { return m_homeDir; }
    Intake* intake() const { return m_intake; }
    LiveDisplay* liveDisplay() const { return m_live; }

    // The read-out texts as "Name=text" lines, for checks from outside.
    QString readoutsReport() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void wireEvents();
    void placePointer();

    QString m_homeDir;
    std::unique_ptr<zv::Dialogs> m_ownDialogs;
    zv::Dialogs* m_dialogs;

    QLabel* m_uhr = nullptr;
    QLabel* m_datum = nullptr;
    QLabel* m_speed = nullptr;
    QLabel* m_trt = nullptr;
    QLabel* m_hoehe = nullptr;
    QLabel* m_gpsl = nullptr;
    CompassView* m_trk = nullptr;
    SatelliteBars* m_gpss = nullptr;
    FaultPicture* m_gpsOk = nullptr;
    QCheckBox* m_all = nullptr;
    QCheckBox* m_types[6] = {};
    QCheckBox* m_check1[2] = {};
    QScrollBar* m_portS = nullptr;
    QLabel* m_portL = nullptr;
    QFrame* m_rte = nullptr;
    QFrame* m_tripPanel = nullptr;
    QFrame* m_profilePanel = nullptr;
    QFrame* m_targetPanel = nullptr;

    Intake* m_intake = nullptr;
    LiveDisplay* m_live = nullptr;
};

} // namespace vur
