// Zelvan.ini on the SIM window: start-up in its order, ENDE, and the status
// read-outs the settings feed (clock, time zone, units, minimize, info box).
#include "common/dialogs.h"
#include "sim/replay/channels/output_port.h"
#include "sim/replay/replay_tick.h"
#include "sim/status/readouts.h"
#include "sim/status/record_clock.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"
#include "sim/window/window_labels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>

namespace zelvan {

namespace {

constexpr unsigned kBrightGreen = 0xFF00;
constexpr unsigned kDarkGreen = 0x8000;

// Mouse presses on labels and the image, which have no click signal.
class PressFilter : public QObject {
public:
    using QObject::QObject;
    void on(QWidget* w, std::function<void()> f)
    {
        w->installEventFilter(this);
        m_actions.insert(w, std::move(f));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            auto it = m_actions.constFind(watched);
            if (it != m_actions.cend() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                const auto action = it.value(); // the action may replace the table
                action();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QHash<QObject*, std::function<void()>> m_actions;
};

QLabel* clockLabel(const QString& name, const QString& caption)
{
    auto* l = new ClickableLabel(caption);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(40);
    l->setMargin(2);
    return l;
}

} // namespace

// The window's side of start-up: each step touches the controls it names.
class SimWindow::StartupWiring : public StartupSteps {
public:
    explicit StartupWiring(SimWindow& w) : m_w(w) {}

    void fillPortList() override
    {
        m_w.setGarminPortIndex(kPortListIgnore);
        m_w.m_outputPort->fillPortList();
    }
    void setProgramDir(const QString& dir) override { m_w.setTrackFolder(dir); }
    void setPace(int tickIntervalMs, int recordsPerTick) override
    {
        m_w.m_state.tickIntervalMs = tickIntervalMs;
        m_w.m_state.recordsPerTick = recordsPerTick;
    }
    void setShowLocal(int showLocal) override { m_w.m_state.showLocal = showLocal == 1; }
    void setTimeZoneDiff(int diff) override
    {
        m_w.m_tzDiff->setValue(diff);
        m_w.m_tzL->setText(tzLabelText(m_w.m_tzDiff->value()));
    }
    void setUnits(int metricUnits) override
    {
        m_w.m_state.metricUnits = metricUnits == 1;
        m_w.applyUnitLabels();
    }
    void colourClockLabelsForLocal() override { m_w.setShowLocal(true); }
    void selectOutputPort(int index) override
    {
        m_w.m_outputPort->setOutPortIndex(index);
        m_w.m_ui.portC->setCurrentIndex(index); // ignored by the handler: garminPortIndex is 99
    }
    void setGarminPort(int index) override { m_w.setGarminPortIndex(index); }
    void setDataDir(const QString& dir, bool) override
    {
        auto* drive = static_cast<QComboBox*>(m_w.m_ui.drive1);
        const QString abs = QDir(dir).absolutePath();
        for (int i = 0; i < drive->count(); ++i)
            if (abs.startsWith(drive->itemText(i), Qt::CaseInsensitive))
                drive->setCurrentIndex(i);
        m_w.setTrackFolder(dir);
    }
    void setFilePattern(const QString& pattern) override
    {
        m_w.m_settings.filePattern = pattern;
        m_w.m_files.setFilePattern(pattern);
        m_w.applyNameFilter(m_w.m_files.filePattern());
    }
    void setSpinner(Spinner s, int value) override
    {
        m_w.m_settings.setSpinner(s, value);
        if (m_w.m_writeSpinner)
            m_w.m_writeSpinner(s, value);
    }
    void resetAltitudeMinimum(int value) override { m_w.m_state.altitudeMin = value; }

private:
    SimWindow& m_w;
};

void SimWindow::setupOutputAndSettings()
{
    setupOutput();
    setupStatus();
    setupFiles();

    m_settingsFile = std::make_unique<SettingsFile>(m_homeDir);
    m_settings = m_settingsFile->load();
    const SimSettings stored = m_settings; // the steps change m_settings as they go
    StartupWiring steps(*this);
    runStartup(stored, m_homeDir, steps);

    m_ui.ende->setText(QStringLiteral("SAVE SETTINGS AND EXIT"));
    connect(m_ui.ende, &QPushButton::clicked, this, &SimWindow::saveSettingsAndExit);
}

SimWindow::SpinnerValues SimWindow::manualSpinnerValues() const
{
    SpinnerValues v{};
    for (size_t i = 0; i < kSpinnerStartupOrder.size(); ++i) {
        const Spinner s = kSpinnerStartupOrder[i];
        v[i] = m_readSpinner ? m_readSpinner(s) : m_settings.spinner(s);
    }
    return v;
}

void SimWindow::setManualSpinnerValues(const SpinnerValues& values)
{
    for (size_t i = 0; i < kSpinnerStartupOrder.size(); ++i) {
        const Spinner s = kSpinnerStartupOrder[i];
        m_settings.setSpinner(s, values[i]);
        if (m_writeSpinner)
            m_writeSpinner(s, m_settings.spinner(s));
    }
}

void SimWindow::setManualSpinnerHooks(std::function<int(Spinner)> read, std::function<void(Spinner, int)> write)
{
    // Whoever comes first, the spinners end up with the stored values.
    const SpinnerValues stored = manualSpinnerValues();
    m_readSpinner = std::move(read);
    m_writeSpinner = std::move(write);
    setManualSpinnerValues(stored);
}

SimSettings SimWindow::currentSettings() const
{
    SimSettings s = m_settings;
    s.outPortIndex = m_outputPort->outPortIndex();
    s.garminPortIndex = m_garminPortIndex;
    s.showLocal = m_state.showLocal ? 1 : 0;
    s.tzDiff = m_tzDiff->value();
    s.metricUnits = m_state.metricUnits ? 1 : 0;
    s.dataPath = QDir::toNativeSeparators(m_folder);
    const SpinnerValues v = manualSpinnerValues();
    for (size_t i = 0; i < kSpinnerStartupOrder.size(); ++i)
        s.setSpinner(kSpinnerStartupOrder[i], v[i]);
    return s;
}

void SimWindow::saveSettingsAndExit()
{
    if (const auto error = m_settingsFile->saveOnExit(currentSettings()))
        dialogs().message(QStringLiteral("The settings could not be saved to %1:\n%2")
                               .arg(QDir::toNativeSeparators(m_settingsFile->path()), *error),
                           QStringLiteral("Zelvan"), zv::Dialogs::Icon::Warning);
    m_file.close();
    close();
}

void SimWindow::setupStatus()
{
    auto* row = static_cast<QHBoxLayout*>(m_statusGroup->layout());
    m_label2 = clockLabel(QStringLiteral("Label2"), QStringLiteral("UTC"));
    m_label7 = clockLabel(QStringLiteral("Label7"), QStringLiteral("LOC"));
    m_tzDiff = new QSpinBox;
    m_tzDiff->setObjectName(QStringLiteral("TZdiff"));
    m_tzDiff->setRange(kTzDiffRange.min, kTzDiffRange.max);
    m_tzDiff->setValue(1);
    m_tzL = new QLabel(QStringLiteral("+1"));
    m_tzL->setObjectName(QStringLiteral("TZL"));
    m_tzL->setMinimumWidth(28);
    auto* help = new QPushButton(QStringLiteral("?"));
    help->setObjectName(QStringLiteral("Help"));
    help->setFixedWidth(28);
    row->addWidget(m_label2);
    row->addWidget(m_label7);
    row->addWidget(m_tzDiff);
    row->addWidget(m_tzL);
    row->addStretch(1);
    row->addWidget(help);
    m_statusGroup->show();
    setShowLocal(false);

    connect(m_tzDiff, &QSpinBox::valueChanged, this, [this](int v) {
        m_tzL->setText(tzLabelText(v));
        m_label7->setText(zoneLabelForDiff(v));
    });
    auto* presses = new PressFilter(this);
    presses->on(m_label2, [this] { setShowLocal(false); });
    presses->on(m_label7, [this] { setShowLocal(true); });
    presses->on(m_ui.maxL, [this] {
        m_state.maxSpeed = 0;
        m_ui.maxL->clear();
    });
    for (const char* name : {"Label3", "Label6", "Label9"})
        if (QLabel* unit = m_unitLabels.value(QString::fromLatin1(name)))
            presses->on(unit, [this] {
                m_state.metricUnits = !m_state.metricUnits;
                applyUnitLabels();
            });
    presses->on(help, [this] {
        const InfoBox box = helpInfoBox();
        dialogs().message(box.text, box.title, zv::Dialogs::Icon::Information);
    });
    presses->on(m_ui.miniA, [this] { showMinimized(); });
    connect(m_ui.minC, &QCheckBox::clicked, this, [this](bool checked) {
        const MinimizeAction a = minCClicked(checked, m_state.replayActive);
        m_ui.minC->setChecked(a.check);
        if (a.showMiniA)
            m_ui.miniA->show();
        if (a.minimizeWindow)
            showMinimized();
    });

    m_tick->setRecordClock([this](const QByteArray& date, const QByteArray& time) { showRecordClock(date, time); });
}

void SimWindow::showRecordClock(const QByteArray& date, const QByteArray& time)
{
    const ClockReadout r = zelvan::showRecordClock(QString::fromLatin1(date), QString::fromLatin1(time),
                                                   m_tzDiff->value(), m_state.showLocal, m_ui.ttl->text(), m_tripStart);
    if (r.unchanged)
        return;
    if (r.clearReadouts) {
        m_loader->clearReadouts();
        m_tripStart = {};
    } else {
        m_tripStart = r.tripStart;
        m_ui.ttl->setText(r.ttl);
    }
    if (r.label7)
        m_label7->setText(*r.label7);
    m_ui.wtL->setText(r.wtL);
    m_ui.datum->setText(r.datum);
    m_ui.zeit->setText(r.zeit);
}

void SimWindow::setShowLocal(bool local)
{
    m_state.showLocal = local;
    setBackColour(m_label2, local ? kDarkGreen : kBrightGreen);
    setBackColour(m_label7, local ? kBrightGreen : kDarkGreen);
}

void SimWindow::applyUnitLabels()
{
    const UnitLabels u = unitLabels(m_state.metricUnits);
    m_state.maxSpeed = 0;
    for (QLabel* l : {m_ui.maxL, m_ui.nnMinL, m_ui.nnMaxL, m_ui.distL, m_ui.tripL})
        l->clear();
    const std::pair<const char*, QString> labels[] = {
        {"Label3", u.label3}, {"Label6", u.label6}, {"Label9", u.label9}, {"Label16", u.label16}};
    for (const auto& [name, text] : labels)
        if (QLabel* l = m_unitLabels.value(QString::fromLatin1(name)))
            l->setText(text);
}

} // namespace zelvan
