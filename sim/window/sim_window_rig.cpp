// The window's side of the rig: RigC beside the Garmin button opens the
// rig's dialog; what it sets goes to the engine at once and afresh at every
// replay start, and every injected fault is listed in List1. Nothing of it
// is stored: a new session always starts with the file's sentences as they
// are.
#include "sim/window/sim_window.h"

#include "sim/engine/replay_engine.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "sim/window/rig_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRandomGenerator>

namespace zelvan {

void SimWindow::setupRig()
{
    m_rigButton = new QPushButton;
    m_rigButton->setObjectName(QStringLiteral("RigC"));
    m_commandRow->insertWidget(m_commandRow->indexOf(m_ui.downloadC) + 1, m_rigButton);
    setTabOrder(m_ui.downloadC, m_rigButton);
    m_rigDialog = new RigDialog(this);

    connect(m_rigButton, &QPushButton::clicked, this, [this] {
        m_rigDialog->setOptions(m_rigChoice);
        m_rigDialog->setSeedInUse(m_rigSeed);
        m_rigDialog->open();
    });
    connect(m_rigDialog, &QDialog::accepted, this, [this] {
        if (const auto chosen = m_rigDialog->options())
            m_rigChoice = *chosen;
        applyRig(true);
    });
    // A replay starts with the rig afresh: its clock anchors at the new
    // file, its faults start from the seed. After a replay, whatever is sent
    // next (manual mode) anchors afresh as well.
    connect(m_loader, &Loader::loadFinished, this, [this](bool ok) {
        if (ok)
            applyRig(true);
    });
    connect(m_loader, &Loader::replayStopped, this, [this] { applyRig(false); });
    connect(m_sink, &SentenceSink::faultInjected, this, [this](const QString& text) {
        ++m_faultCount;
        m_sink->list(QStringLiteral("fault ") + text);
        showRig();
    });
    showRig();
}

void SimWindow::applyRig(bool freshSeed)
{
    RigOptions rig = m_rigChoice;
    if (!rig.faults)
        m_rigSeed.reset();
    else if (rig.seed)
        m_rigSeed = rig.seed;
    else if (freshSeed || !m_rigSeed)
        m_rigSeed = QRandomGenerator::global()->generate64();
    rig.seed = m_rigSeed;
    if (freshSeed)
        m_faultCount = 0;
    m_engine->setRig(rig);
    showRig();
}

void SimWindow::showRig()
{
    RigOptions shown = m_rigChoice;
    shown.seed = m_rigSeed;
    m_rigButton->setText(rigCaption(shown));
    if (!shown.active()) {
        m_rigButton->setToolTip(QStringLiteral("Live time and injected faults: off, the file's sentences go out "
                                               "as they are"));
        m_rigButton->setStyleSheet(QString());
        return;
    }
    QString tip = QStringLiteral("Live time and injected faults, as zelvan --headless takes them:\n")
        + rigArguments(shown);
    if (shown.faults)
        tip += QStringLiteral("\n%1 faults injected since the start").arg(m_faultCount);
    m_rigButton->setToolTip(tip);
    // Red like Stop, for the button only (its tool tip stays plain).
    m_rigButton->setStyleSheet(QStringLiteral("QPushButton { color: rgb(200,0,0); font-weight: bold; }"));
}

} // namespace zelvan
