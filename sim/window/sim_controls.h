#pragma once
// The window's controls, as typed pointers (nobody looks a widget up by name).
// Pointers a later feature of the window has not created yet stay null and are
// skipped.
#include "common/colour.h"

#include <QColor>
#include <QString>
#include <array>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace zelvan {

class CompassGauge;
class ProgressGauge;
class AltitudePicture;

struct SimControls {
    QListWidget* list1 = nullptr;        // List1: sentences out
    CompassGauge* gauge1 = nullptr;      // Gauge1: compass
    ProgressGauge* gauge2 = nullptr;     // Gauge2: records
    QWidget* runA = nullptr;             // RunA: activity light
    std::array<QCheckBox*, 7> data{};    // Data(0..6)
    std::array<QRadioButton*, 8> abstand{}; // Abstand(0..7)
    QCheckBox* pause = nullptr;
    QCheckBox* lop = nullptr;
    QCheckBox* last = nullptr;
    QCheckBox* autoSkip = nullptr;
    QCheckBox* autoReset = nullptr;
    QCheckBox* equ = nullptr;
    QCheckBox* manu = nullptr;
    QCheckBox* minC = nullptr;
    QPushButton* skip1 = nullptr;
    QPushButton* skip2 = nullptr;
    QPushButton* back = nullptr;
    QPushButton* restart = nullptr;
    QWidget* stopA = nullptr;
    AltitudePicture* dia = nullptr;
    QListWidget* file1 = nullptr;
    QWidget* dir1 = nullptr;
    QWidget* drive1 = nullptr;
    QPushButton* dirSel = nullptr;
    QPushButton* loa = nullptr;          // stored-selection button (file management)
    QPushButton* downloadC = nullptr;
    QPushButton* ende = nullptr;
    QComboBox* portC = nullptr;
    QLabel* fileL = nullptr;
    QLabel* pauseL = nullptr;
    QLabel* loopL = nullptr;
    QLabel* autoL = nullptr;
    QLabel* speedL = nullptr;
    QLabel* maxL = nullptr;
    QLabel* distL = nullptr;
    QLabel* tripL = nullptr;
    QLabel* ttl = nullptr;
    QLabel* nnL = nullptr;
    QLabel* nnMinL = nullptr;
    QLabel* nnMaxL = nullptr;
    QLabel* nnM = nullptr;
    QLabel* wtL = nullptr;
    QLabel* datum = nullptr;
    QLabel* zeit = nullptr;
    QWidget* miniA = nullptr;

};

// Small helpers so the subsystems stay readable with optional controls.
void setText(QLabel* label, const QString& text);
void setCaptionColour(QAbstractButton* box, unsigned bgr); // &HBBGGRR value
void setBackColour(QWidget* w, unsigned bgr);
bool isChecked(const QAbstractButton* b);
// The engines name colours as plain bytes; widgets paint QColors.
QColor qColor(zv::Rgb colour);

} // namespace zelvan
