#include "sim/window/sim_window_manual.h"

#include "sim/manual/manual_composer.h"
#include "sim/replay/channels/output_port.h"
#include "sim/replay/replay_core.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/route/route_points.h"
#include "sim/route/route_run.h"
#include "sim/tracks/loader.h"
#include "sim/window/gauges.h"
#include "sim/window/manual_keys.h"
#include "sim/window/sim_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <memory>
#include <tuple>

namespace zelvan {

namespace {

QLabel* positionLabel(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QScrollBar* spinner(Qt::Orientation o, const QString& name, const QString& tip, QWidget* parent)
{
    auto* s = new QScrollBar(o, parent);
    s->setObjectName(name);
    s->setToolTip(tip);
    // Steering keys go to the window's filter; the focus only marks where
    // the user works.
    s->setFocusPolicy(Qt::StrongFocus);
    if (o == Qt::Vertical)
        s->setFixedSize(18, 56);
    else
        s->setFixedSize(64, 18);
    return s;
}

void showWidget(QWidget* w, bool on)
{
    if (w)
        w->setVisible(on);
}

void enableWidget(QWidget* w, bool on)
{
    if (w)
        w->setEnabled(on);
}

// The recording's buttons, FileL and the spinner that gets the focus back
// after each action.
class RecordingWidgets : public RecordingView {
public:
    RecordingWidgets(QAbstractButton* saveP, QAbstractButton* saveT, QLabel* fileL, QWidget* focusAfter)
        : m_saveP(saveP), m_saveT(saveT), m_fileL(fileL), m_focusAfter(focusAfter)
    {
    }
    void savePEnabled(bool on) override { enableWidget(m_saveP, on); }
    void saveTEnabled(bool on) override { enableWidget(m_saveT, on); }
    void savePColour(zv::Rgb colour) override
    {
        if (m_saveP)
            m_saveP->setStyleSheet(QStringLiteral("background-color: ") + qColor(colour).name().toUpper());
    }
    void fileLabel(const QString& text) override
    {
        if (m_fileL)
            m_fileL->setText(text);
    }
    void focusAfterAction() override
    {
        if (m_focusAfter)
            m_focusAfter->setFocus();
    }

private:
    // The window may take its controls down before the recorder.
    QPointer<QAbstractButton> m_saveP, m_saveT;
    QPointer<QLabel> m_fileL;
    QPointer<QWidget> m_focusAfter;
};

} // namespace

SimManualMode::SimManualMode(SimWindow& window, QLabel* label6, zv::Dialogs& dialogs)
    : QObject(&window), m_w(window), m_label6(label6), m_dialogs(dialogs)
{
    buildWidgets();
    const SimControls& ui = m_w.controls();

    ManualPositionWidgets pw;
    for (int i = 0; i < 4; ++i) {
        pw.vsc1[i] = m_vsc1[i];
        pw.hsc1[i] = m_hsc1[i];
        pw.latLabels[i] = m_latLabels[i];
        pw.lonLabels[i] = m_lonLabels[i];
    }
    pw.vsc2 = m_vsc2;
    pw.vsc3 = m_vsc3;
    pw.vsc4 = m_vsc4;
    pw.nnM = ui.nnM;
    pw.kmhM = m_kmhM;
    pw.autoM = m_autoM;
    m_position = new ManualPositionController(m_state, pw, this);

    m_recorder = new ManualRecorder(m_state, dialogs, m_w.homeDir(),
                                    std::make_unique<RecordingWidgets>(m_saveP, m_saveT, ui.fileL, m_hsc1[3]), this);

    connect(m_recorder, &ManualRecorder::autoPointCaptionChanged, m_position,
            &ManualPositionController::refreshAutoPoint);
    connect(m_recorder, &ManualRecorder::statusTextChanged, this,
            [this](const QString& text) { m_w.replayState().statusText = text; });
    connect(m_setFN, &QPushButton::clicked, m_recorder, [this] {
        const QListWidgetItem* item = m_w.controls().file1 ? m_w.controls().file1->currentItem() : nullptr;
        m_recorder->chooseFile(item ? item->text() : QString());
    });
    connect(m_saveP, &QPushButton::clicked, m_recorder, &ManualRecorder::savePosition);
    connect(m_saveT, &QPushButton::clicked, m_recorder, &ManualRecorder::saveText);
    connect(ui.manu, &QCheckBox::toggled, this, &SimManualMode::setManualMode);
    for (int i = 0; i < 8; ++i)
        connect(ui.abstand[i], &QRadioButton::clicked, this, [this, i] { paceChosen(i); });

    m_routeRun = new RouteRun(m_w.sink(), this);
    connect(m_follow, &QCheckBox::toggled, this, &SimManualMode::followToggled);

    m_w.tick().setManualComposer(this);
    m_w.tick().setManualPaceFocus([this] { m_hsc1[3]->setFocus(); });
    m_w.loader().setManualRun([this] { startRun(); }, [this] { stopRun(); });
}

SimManualMode::~SimManualMode() = default;

void SimManualMode::buildWidgets()
{
    QGroupBox* box = m_w.manualGroup();
    auto* grid = static_cast<QGridLayout*>(box->layout());
    const QString latTips[4] = {QStringLiteral("Latitude: degrees"), QStringLiteral("Latitude: minutes"),
                                QStringLiteral("Latitude: seconds"), QStringLiteral("Latitude: 1/10 seconds")};
    const QString lonTips[4] = {QStringLiteral("Longitude: degrees"), QStringLiteral("Longitude: minutes"),
                                QStringLiteral("Longitude: seconds"), QStringLiteral("Longitude: 1/10 seconds")};
    const char* latNames[4] = {"ggn", "mmn", "ssn", "kkn"};
    const char* lonNames[4] = {"ggo", "mmo", "sso", "kko"};
    // Latitude: labels above their vertical spinners; longitude: labels
    // above their horizontal spinners.
    for (int i = 0; i < 4; ++i) {
        m_latLabels[i] = positionLabel(QString::fromLatin1(latNames[i]), box);
        m_vsc1[i] = spinner(Qt::Vertical, QStringLiteral("VSc1(%1)").arg(i), latTips[i], box);
        grid->addWidget(m_latLabels[i], 0, i, Qt::AlignCenter);
        grid->addWidget(m_vsc1[i], 1, i, Qt::AlignHCenter);
        m_lonLabels[i] = positionLabel(QString::fromLatin1(lonNames[i]), box);
        m_hsc1[i] = spinner(Qt::Horizontal, QStringLiteral("HSc1(%1)").arg(i), lonTips[i], box);
        grid->addWidget(m_lonLabels[i], 2, i, Qt::AlignCenter);
        grid->addWidget(m_hsc1[i], 3, i, Qt::AlignHCenter);
    }

    // Altitude, speed and Auto-Point beside the position, each with its
    // caption above and its value below (the altitude's is nnM under the
    // compass, where the replay shows it too): the group stays low enough
    // for a 768-pixel screen.
    grid->setVerticalSpacing(6);
    grid->setColumnMinimumWidth(4, 12);
    m_vsc2 = spinner(Qt::Vertical, QStringLiteral("VSc2"), QStringLiteral("Altitude"), box);
    m_vsc3 = spinner(Qt::Vertical, QStringLiteral("VSc3"), QStringLiteral("Speed"), box);
    m_vsc4 = spinner(Qt::Vertical, QStringLiteral("VSc4"), QStringLiteral("Auto-Point"), box);
    m_kmhM = positionLabel(QStringLiteral("kmhM"), box);
    m_autoM = positionLabel(QStringLiteral("AutoM"), box);
    const std::tuple<QScrollBar*, const char*, const char*, QLabel*> settings[] = {
        {m_vsc2, "VSc2Cap", "Altitude", nullptr}, {m_vsc3, "VSc3Cap", "Speed", m_kmhM},
        {m_vsc4, "VSc4Cap", "Auto-Point", m_autoM}};
    int col = 5;
    for (const auto& [spin, name, text, value] : settings) {
        auto* cap = new QLabel(QString::fromLatin1(text), box);
        cap->setObjectName(QString::fromLatin1(name));
        cap->setAlignment(Qt::AlignCenter);
        grid->addWidget(cap, 0, col, Qt::AlignCenter);
        grid->addWidget(spin, 1, col, Qt::AlignHCenter);
        if (value)
            grid->addWidget(value, 2, col, 2, 1, Qt::AlignHCenter | Qt::AlignTop);
        ++col;
    }

    auto* buttons = new QHBoxLayout;
    m_setFN = new QPushButton(QStringLiteral("File"), box);
    m_setFN->setObjectName(QStringLiteral("SetFN"));
    m_setFN->setToolTip(QStringLiteral("Set Filename"));
    m_saveP = new QPushButton(QStringLiteral("Pos."), box);
    m_saveP->setObjectName(QStringLiteral("SaveP"));
    m_saveP->setToolTip(QStringLiteral("Save Position (Space)"));
    m_saveT = new QPushButton(QStringLiteral("Text"), box);
    m_saveT->setObjectName(QStringLiteral("SaveT"));
    m_saveT->setToolTip(QStringLiteral("Save Text (Enter)"));
    for (QPushButton* b : {m_setFN, m_saveP, m_saveT}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    m_follow = new QCheckBox(QStringLiteral("Follow route"), box);
    m_follow->setObjectName(QStringLiteral("FollowRoute"));
    m_follow->setToolTip(QStringLiteral("Move along the route in the file chosen in the file list (GPX, KML, "
                                        "a track file or lines of lat,lon) at the speed set here"));
    m_follow->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(m_follow);
    grid->addLayout(buttons, 4, 0, 1, 8);
    grid->setRowStretch(5, 1); // spare height below, not between the rows
}

void SimManualMode::addReplayOnlyWidget(QWidget* w)
{
    if (!w)
        return;
    m_replayOnly.append(w);
    if (m_manual)
        w->hide();
}

void SimManualMode::switchLayout(bool manual)
{
    const SimControls& ui = m_w.controls();
    QList<QWidget*> hidden{ui.file1, ui.loa, ui.dirSel, ui.equ, ui.last, ui.autoSkip, ui.lop};
    for (int i : {0, 1, 2, 6, 7})
        hidden.append(ui.abstand[i]);
    for (int i = 3; i < 7; ++i)
        hidden.append(ui.data[i]);
    for (const auto& w : std::as_const(m_replayOnly))
        if (w)
            hidden.append(w);
    for (QWidget* w : hidden)
        showWidget(w, !manual);
    enableWidget(ui.downloadC, !manual);
    m_w.showManualGroup(manual);
    if (ui.skip1) {
        if (manual) {
            m_skip1Caption = ui.skip1->text();
            ui.skip1->setText(QStringLiteral("->"));
        } else if (!m_skip1Caption.isEmpty()) {
            ui.skip1->setText(m_skip1Caption);
        }
        ui.skip1->setEnabled(true);
    }
    if (ui.lop) {
        // The loop box is hidden in manual mode; its own caption comes back after.
        if (manual) {
            m_lopCaption = ui.lop->text();
            ui.lop->setText(QStringLiteral("<>"));
        } else {
            ui.lop->setText(m_lopCaption);
        }
    }
}

void SimManualMode::setManualMode(bool on)
{
    if (on == m_manual)
        return;
    const SimControls& ui = m_w.controls();
    if (m_running)
        stopRun();
    // A recording never survives a change of mode.
    m_recorder->closeRecording();
    if (m_w.replayState().replayActive)
        m_w.loader().stopReplay(StopByUser);
    m_w.replayFile().close();
    m_manual = on;
    switchLayout(on);
    if (!on) {
        leaveManualMode();
        return;
    }
    if (ui.skip1)
        ui.skip1->setToolTip(QStringLiteral("Start"));
    enterManualMode(m_state, m_w.replayState().lastRmc, m_clock());
    // Seeded or not, the labels show what the ticks will send: the replay
    // wrote its own altitude into nnM.
    m_position->refreshAll();
    m_position->setMetricUnits(m_w.replayState().metricUnits);
    m_hsc1[3]->setFocus();
}

void SimManualMode::leaveManualMode()
{
    m_w.tick().setTimer1Enabled(false);
    m_w.sink().clearList();
    // Serial port and TCP listener both close with the mode.
    m_w.sink().closeChannels();
    m_recorder->closeRecording();
    m_w.refreshFileList();
    m_w.replayState().statusText.clear();
    m_state.statusText.clear();
}

void SimManualMode::startRun()
{
    if (!m_manual || m_running)
        return;
    const SimControls& ui = m_w.controls();
    m_w.sink().openChannels();
    m_pace = 1000;
    m_w.tick().setTimer1Interval(m_pace);
    m_w.tick().setTimer1Enabled(true);
    m_w.frontEnd().show(Control::StopA, true);
    m_running = true;
    startManualRun(m_state);
    // The file is read again: another may have been chosen, or this one changed, since the box was ticked.
    if (m_follow->isChecked() && !loadRoute()) {
        const QSignalBlocker b(m_follow);
        m_follow->setChecked(false);
    }
    m_recorder->runStarted();
    enableWidget(ui.skip1, false);
    m_w.outputPort().setPortListEnabled(false);
}

void SimManualMode::stopRun()
{
    if (!m_running)
        return;
    const SimControls& ui = m_w.controls();
    m_running = false;
    m_w.outputPort().setPortListEnabled(true);
    m_recorder->runStopped();
    if (ui.gauge1)
        ui.gauge1->setNeedleWidth(50);
    m_w.tick().setTimer1Enabled(false);
    m_w.sink().closeChannels();
    m_w.frontEnd().show(Control::StopA, false);
    enableWidget(ui.skip1, true);
    m_hsc1[3]->setFocus();
    setText(ui.distL, QString());
    setText(ui.tripL, QString());
    // A tick waiting for its output would list its lines after the clear.
    m_w.tick().whenIdle([this] { m_w.sink().clearList(); });
}

void SimManualMode::paceChosen(int index)
{
    static constexpr int kManualPace[8] = {0, 0, 0, 100, 1000, 2000, 0, 0};
    if (m_manual && kManualPace[index])
        m_pace = kManualPace[index];
}

void SimManualMode::syncShared()
{
    // The replay reads these too (and seeds the next manual mode from lastRmc).
    ReplayState& s = m_w.replayState();
    s.lastRmc = m_state.lastRmc;
    s.lastGga = m_state.lastGga;
    s.lastVtg = m_state.lastVtg;
    s.courseDeg = m_state.courseDeg;
    s.distanceM = m_state.distanceM;
}

bool SimManualMode::following() const
{
    return m_follow && m_follow->isChecked() && m_routeRun->path().has_value();
}

bool SimManualMode::loadRoute()
{
    const QListWidgetItem* item = m_w.controls().file1 ? m_w.controls().file1->currentItem() : nullptr;
    const QString title = QStringLiteral("Follow route");
    if (!item) {
        m_dialogs.message(QStringLiteral("No route is chosen. Untick Manual, click the route's file in the file "
                                         "list (GPX, KML, a track file or lines of lat,lon), then tick Manual and "
                                         "Follow route again."),
                          title, zv::Dialogs::Icon::Information);
        return false;
    }
    const QString path = QDir(m_w.loader().folder()).filePath(item->text());
    const RouteRead read = readRouteFile(path);
    QString why = read.error;
    std::optional<RoutePath> route;
    if (why.isEmpty()) {
        route = RoutePath::fromPoints(read.points, &why);
        if (!route)
            why = path + QStringLiteral(": ") + why;
    }
    if (!route) {
        m_dialogs.message(why, title, zv::Dialogs::Icon::Warning);
        return false;
    }
    m_w.sink().list(QStringLiteral("Route: %1, %2, %3 points, %4 km")
                        .arg(item->text(), read.kind)
                        .arg(route->points().size())
                        .arg(route->lengthM() / 1000.0, 0, 'f', 2));
    m_routeRun->setPath(std::move(*route));
    return true;
}

void SimManualMode::followToggled(bool on)
{
    if (on && !loadRoute()) {
        const QSignalBlocker b(m_follow);
        m_follow->setChecked(false);
    }
}

void SimManualMode::sendRouteEpoch()
{
    const SimControls& ui = m_w.controls();
    RouteRun& run = *m_routeRun;
    run.setSpeed(m_state.speedKmh / 3.6);
    // The manual run's sentences carry the wall clock: each tick moves by the time it stands for.
    run.setTiming({m_pace / 1000.0, m_pace});
    RouteComposeOptions& options = run.composeOptions();
    options.rmc = isChecked(ui.data[DataRmc]);
    options.gga = isChecked(ui.data[DataGga]);
    options.vtg = isChecked(ui.data[DataVtg]);
    options.gsa = isChecked(ui.data[DataGsa]);
    options.gsv = isChecked(ui.data[DataGsv]);
    options.talker = m_w.replayState().outputTalker;
    options.altitudeM = m_state.altitudeM;
    const RouteEpoch e = run.sendEpoch(m_clock().toUTC());

    m_state.position = manualPositionOf(e.fix.lat, e.fix.lon);
    m_position->refreshAll();
    m_state.nudgeFlags = 0;
    m_state.lastRmc = e.sentences.rmc;
    m_state.lastGga = e.sentences.gga;
    m_state.lastVtg = e.sentences.vtg;
    m_state.courseDeg = int(std::lround(e.fix.courseDeg)) % 360;
    m_state.distanceM = int(e.distanceM);
    // A recorded position is the route's; the route itself needs no Auto-Points between.
    m_state.current = ManualPoint{std::fabs(e.fix.lat) * 60.0, e.fix.lat < 0, std::fabs(e.fix.lon) * 60.0, e.fix.lon < 0};
    m_state.lastDistanceM = 0;
    m_state.tickedThisRun = true;
    // Manual ticks after the route measure from where it ended.
    m_state.reference.reset();
    syncShared();
    if (ui.gauge1) {
        ui.gauge1->setNeedleWidth(3);
        ui.gauge1->setValue((m_state.courseDeg + 90) % 360);
    }
    const DistanceReadout readout = manualDistanceReadout(m_state.distanceM, m_w.replayState().metricUnits);
    setText(ui.distL, readout.distL);
    setText(m_label6, readout.label6);
    if (run.finished()) {
        // Arrived: the run goes on by hand from the route's end.
        m_w.sink().list(QStringLiteral("Route: end reached"));
        m_follow->setChecked(false);
    }
}

void SimManualMode::composeManualSentences()
{
    if (!m_running)
        return; // stopped while the tick waited for its output
    const SimControls& ui = m_w.controls();
    if (ui.runA)
        ui.runA->show();
    m_w.tick().timer2()->start();
    if (following()) {
        sendRouteEpoch();
        if (m_pace > 999)
            m_w.tick().schedulePeriodic(m_pace);
        else
            m_w.tick().setTimer1Interval(m_pace);
        return;
    }

    ManualComposeOptions options;
    options.rmc = isChecked(ui.data[0]);
    options.gga = isChecked(ui.data[1]);
    options.vtg = isChecked(ui.data[2]);
    options.metricUnits = m_w.replayState().metricUnits;
    options.talker = m_w.replayState().outputTalker;
    m_position->setMetricUnits(options.metricUnits);
    const ManualTickOutput out = zelvan::composeManualSentences(m_state, options, m_clock().toUTC());
    syncShared();
    for (const QByteArray& s : out.sentences)
        m_w.tick().emitSentence(s);
    if (out.compass && ui.gauge1) {
        ui.gauge1->setNeedleWidth(out.compass->needleWidth);
        if (out.compass->value)
            ui.gauge1->setValue(*out.compass->value);
    }
    if (out.readout) {
        setText(ui.distL, out.readout->distL);
        setText(m_label6, out.readout->label6);
    }
    // The one-second paces count from the tick's start, so its own time
    // (the wait before the output) never stretches the period.
    if (m_pace > 999)
        m_w.tick().schedulePeriodic(m_pace);
    else
        m_w.tick().setTimer1Interval(m_pace);
}

bool SimManualMode::filterEvent(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != &m_w && !m_w.isAncestorOf(w)))
        return false;
    if (event->type() == QEvent::MouseButtonDblClick && w == &m_w) {
        for (const auto& hook : std::as_const(m_doubleClick))
            hook();
        return false; // other parts of the window watch the gesture too

    }
    if (event->type() != QEvent::KeyPress || !m_manual)
        return false;
    return handleManualKey(*static_cast<QKeyEvent*>(event), *m_position, *m_recorder);
}

ManualSpinnerValues SimManualMode::spinnerValues() const
{
    ManualSpinnerValues v;
    v.autoIndex = m_vsc4->value();
    v.altitude = m_vsc2->value();
    v.speed = m_vsc3->value();
    for (int i = 0; i < 4; ++i) {
        v.lat[i] = m_vsc1[i]->value();
        v.lon[i] = m_hsc1[i]->value();
    }
    return v;
}

void SimManualMode::setSpinnerValues(const ManualSpinnerValues& v)
{
    m_vsc4->setValue(v.autoIndex);
    m_vsc2->setValue(v.altitude);
    m_vsc3->setValue(v.speed);
    for (int i = 0; i < 4; ++i)
        m_vsc1[i]->setValue(v.lat[i]);
    for (int i = 0; i < 4; ++i)
        m_hsc1[i]->setValue(v.lon[i]);
}

// The window's part: create the manual mode; a double-click brings the output
// list back (the Garmin part's own watch then leaves download mode).
void SimWindow::setupManual(zv::Dialogs& dialogs)
{
    m_manualMode = new SimManualMode(*this, m_label6, dialogs);
    m_manualMode->addDoubleClickHook([this] { showFolderBrowser(false); });

    // The settings keep the spinner values; the spinners live here.
    auto field = [](ManualSpinnerValues& v, Spinner s) -> int& {
        switch (s) {
        case Spinner::VSc4: return v.autoIndex;
        case Spinner::VSc2: return v.altitude;
        case Spinner::VSc3: return v.speed;
        case Spinner::VSc1_0: return v.lat[0];
        case Spinner::VSc1_1: return v.lat[1];
        case Spinner::VSc1_2: return v.lat[2];
        case Spinner::VSc1_3: return v.lat[3];
        case Spinner::HSc1_0: return v.lon[0];
        case Spinner::HSc1_1: return v.lon[1];
        case Spinner::HSc1_2: return v.lon[2];
        case Spinner::HSc1_3: break;
        }
        return v.lon[3];
    };
    setManualSpinnerHooks(
        [this, field](Spinner s) {
            ManualSpinnerValues v = m_manualMode->spinnerValues();
            return field(v, s);
        },
        [this, field](Spinner s, int value) {
            ManualSpinnerValues v = m_manualMode->spinnerValues();
            field(v, s) = value;
            m_manualMode->setSpinnerValues(v);
        });
}

} // namespace zelvan
