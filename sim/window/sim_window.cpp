#include "sim/window/sim_window.h"

#include "sim/replay/channels/channel_config.h"

#include "common/gui/qt_dialogs.h"
#include "common/file_names.h"
#include "sim/replay/replay_core.h"
#include "sim/engine/replay_engine.h"
#include "sim/replay/replay_tick.h"
#include "sim/replay/sentence_sink.h"
#include "sim/tracks/loader.h"
#include "sim/window/altitude_picture.h"
#include "sim/window/gauges.h"
#include "sim/window/sim_window_manual.h"
#include "sim/window/window_labels.h"
#include "version.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zelvan {

// Lets tests swap the dialogs after the subsystems hold a reference.
class SimWindow::ForwardingDialogs : public zv::Dialogs {
public:
    zv::Dialogs* target = nullptr;
    Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override
    {
        return target->message(text, title, icon, buttons);
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText, bool* ok) override
    {
        return target->input(prompt, title, defaultText, ok);
    }
    void beep() override { target->beep(); }
};

namespace {

template <typename W>
W* named(W* w, const QString& name, const QString& tip = {})
{
    w->setObjectName(name);
    if (!tip.isEmpty())
        w->setToolTip(tip);
    return w;
}

// widest: the longest text the read-out will hold, so that no value that
// comes later can widen the window.
QLabel* readout(const QString& name, const QString& tip, const QString& widest = QStringLiteral("0000.0"))
{
    auto* l = named(new QLabel, name, tip);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setMinimumWidth(qMax(56, QFontMetrics(f).horizontalAdvance(widest) + 10));
    return l;
}

// The words a read-out stands for, small and grey above it.
QLabel* caption(const QString& name, const QString& text)
{
    auto* l = named(new QLabel(text), name);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    l->setFont(f);
    l->setForegroundRole(QPalette::PlaceholderText);
    return l;
}

const char* const kTrackPatterns[] = {"*.log", "*.nma", "*.trk", "*.trl", "*.plt", "*.kml", "*.gpx",
                                      "*.LOG", "*.NMA", "*.TRK", "*.TRL", "*.PLT", "*.KML", "*.GPX"};

} // namespace

SimWindow::SimWindow(const QString& homeDir, QWidget* parent)
    : QWidget(parent), m_homeDir(homeDir), m_dialogs(std::make_unique<ForwardingDialogs>())
{
    setObjectName(QStringLiteral("SIM"));
    setWindowTitle(QStringLiteral("Zelvan " ZV_VERSION_STRING));
    m_ownDialogs = std::make_unique<zv::QtDialogs>(this);
    m_dialogs->target = m_ownDialogs.get();

    buildControls();
    // [Output] Talker of Zelvan.ini, read now and at every load.
    wireOptions();
    auto* engine = new ReplayEngine(m_state, m_frontEnd, m_file, *m_dialogs, zelvanIniPath(m_homeDir), this);
    m_engine = engine;
    m_sink = &engine->sink();
    m_tick = &engine->tick();
    m_loader = &engine->loader();
    m_trackReplay = &engine->trackReplay();
    // A plain clock until the status read-outs take over.
    m_tick->setRecordClock([this](const QByteArray& date, const QByteArray& time) {
        if (time.size() >= 6)
            setText(m_ui.zeit, QStringLiteral("%1:%2:%3").arg(QString::fromLatin1(time.mid(0, 2)),
                                                               QString::fromLatin1(time.mid(2, 2)),
                                                               QString::fromLatin1(time.mid(4, 2))));
        if (date.size() >= 6)
            setText(m_ui.datum, QStringLiteral("%1.%2.%3").arg(QString::fromLatin1(date.mid(0, 2)),
                                                                QString::fromLatin1(date.mid(2, 2)),
                                                                QString::fromLatin1(date.mid(4, 2))));
    });
    // While LOA is hidden the list does not start replays.
    const auto listed = [this](const QListWidgetItem* item) {
        return item && !(m_ui.loa && m_ui.loa->isHidden()) ? item->text() : QString();
    };
    m_loader->setSelectedFile([this, listed] { return listed(m_ui.file1->currentItem()); },
                              [this, listed] { return listed(m_ui.file1->item(0)); });
    m_loader->setEscapeFirst([this] {
        if (m_ui.dir1 && !m_ui.dir1->isHidden()) {
            showFolderBrowser(false);
            return true;
        }
        return false;
    });
    wireEvents();
    setupGarmin();
    setupManual(*m_dialogs);
    setupRig();

    const QDir home(homeDir);
    setTrackFolder(home.exists(QStringLiteral("Tracks")) ? home.filePath(QStringLiteral("Tracks")) : home.path());
    m_loader->stopReplay(StopLoadFailure); // the idle state of every control
    setupOutputAndSettings();
    qApp->installEventFilter(this);
}

SimWindow::~SimWindow()
{
    qApp->removeEventFilter(this);
}

void SimWindow::setDialogs(zv::Dialogs* dialogs)
{
    m_dialogs->target = dialogs ? dialogs : m_ownDialogs.get();
}

zv::Dialogs& SimWindow::dialogs()
{
    return *m_dialogs;
}

void SimWindow::setOutputChannels(const QList<OutputChannel*>& channels)
{
    m_sink->setChannels(channels);
}

void SimWindow::addOutputChannel(OutputChannel* channel)
{
    m_sink->addChannel(channel);
}

void SimWindow::buildControls()
{
    auto* root = new QHBoxLayout(this);

    // Left column: sentence choice, pace, options.
    auto* left = new QVBoxLayout;
    auto* dataBox = named(new QGroupBox(QStringLiteral("GPS-Data select")), QStringLiteral("DataFrame"));
    auto* dataGrid = new QGridLayout(dataBox);
    const char* captions[7] = {"RMC", "GGA", "VTG", "RMB", "GSA", "GSV", "OTH"};
    for (int i = 0; i < 7; ++i) {
        m_ui.data[i] = named(new QCheckBox(QString::fromLatin1(captions[i])), QStringLiteral("Data(%1)").arg(i));
        m_ui.data[i]->setChecked(true);
        dataGrid->addWidget(m_ui.data[i], i % 4, i / 4);
    }
    m_ui.equ = named(new QCheckBox(QStringLiteral("Equ")), QStringLiteral("Equ"),
                     QStringLiteral("all NMEA same Time & Pos."));
    dataGrid->addWidget(m_ui.equ, 3, 1);
    m_command1 = named(new QPushButton(QStringLiteral("all GPS-Data")), QStringLiteral("Command1"));
    m_rmcRmb = named(new QPushButton(QStringLiteral("only RMC/GGA")), QStringLiteral("RMCRMB"));
    dataGrid->addWidget(m_command1, 4, 0, 1, 2);
    dataGrid->addWidget(m_rmcRmb, 5, 0, 1, 2);
    left->addWidget(dataBox);

    auto* paceBox = named(new QGroupBox(QStringLiteral("Time-Interval")), QStringLiteral("PaceFrame"));
    auto* paceGrid = new QGridLayout(paceBox);
    const char* paces[8] = {"x 8", "x 4", "x 2", "cont", "1 s", "2 s", "4 s", "8 s"};
    auto* paceGroup = new QButtonGroup(this);
    for (int i = 0; i < 8; ++i) {
        m_ui.abstand[i] = named(new QRadioButton(QString::fromLatin1(paces[i])), QStringLiteral("Abstand(%1)").arg(i));
        paceGroup->addButton(m_ui.abstand[i], i);
        paceGrid->addWidget(m_ui.abstand[i], i % 4, i / 4);
    }
    m_ui.abstand[4]->setChecked(true);
    m_ui.last = named(new QCheckBox(QStringLiteral("nur letzter Satz")), QStringLiteral("Last"));
    paceGrid->addWidget(m_ui.last, 4, 0, 1, 2);
    left->addWidget(paceBox);

    auto* optBox = named(new QGroupBox(QStringLiteral("Options")), QStringLiteral("OptionFrame"));
    auto* optGrid = new QGridLayout(optBox);
    m_ui.autoSkip = named(new QCheckBox(QStringLiteral("AutoSkip")), QStringLiteral("AutoSkip"));
    m_ui.autoL = named(new QLabel(QStringLiteral("skip 0")), QStringLiteral("AutoL"));
    m_ui.autoReset = named(new QCheckBox(QStringLiteral("AutoReset")), QStringLiteral("AutoReset"));
    m_ui.manu = named(new QCheckBox(QStringLiteral("Manual")), QStringLiteral("Manu"));
    optGrid->addWidget(m_ui.autoSkip, 0, 0);
    optGrid->addWidget(m_ui.autoL, 0, 1);
    optGrid->addWidget(m_ui.autoReset, 1, 0);
    optGrid->addWidget(m_ui.manu, 2, 0);
    left->addWidget(optBox);

    m_portGroup = named(new QGroupBox(QStringLiteral("Output")), QStringLiteral("PortFrame"));
    auto* portLayout = new QVBoxLayout(m_portGroup);
    m_ui.portC = named(new QComboBox, QStringLiteral("PortC"));
    // Device paths from [Devices] can be long: the list pops up wide, the box stays.
    m_ui.portC->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ui.portC->setMinimumContentsLength(10);
    portLayout->addWidget(m_ui.portC);
    left->addWidget(m_portGroup);
    left->addStretch(1);
    root->addLayout(left);

    // Middle: the output list (or the folder browser in its place), progress and navigation.
    auto* middle = new QVBoxLayout;
    auto* fileRow = new QHBoxLayout;
    m_ui.fileL = named(new ElidedLabel, QStringLiteral("FileL"));
    QFont big = m_ui.fileL->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    m_ui.fileL->setFont(big);
    m_ui.runA = named(new QLabel(QStringLiteral("\u25CF")), QStringLiteral("RunA"));
    static_cast<QLabel*>(m_ui.runA)->setStyleSheet(QStringLiteral("color: rgb(0,200,0);"));
    m_ui.pauseL = named(new QLabel(QStringLiteral("PAUSE")), QStringLiteral("PauseL"));
    m_ui.pauseL->setStyleSheet(QStringLiteral("color: rgb(200,0,0); font-weight: bold;"));
    m_ui.loopL = named(new QLabel(QStringLiteral("LOOP")), QStringLiteral("LoopL"));
    m_ui.loopL->setStyleSheet(QStringLiteral("color: rgb(0,0,200); font-weight: bold;"));
    fileRow->addWidget(m_ui.runA);
    fileRow->addWidget(m_ui.fileL, 1);
    fileRow->addWidget(m_ui.pauseL);
    fileRow->addWidget(m_ui.loopL);
    middle->addLayout(fileRow);

    m_ui.list1 = named(new QListWidget, QStringLiteral("List1"), QStringLiteral("NMEA-out"));
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    m_ui.list1->setFont(mono);
    m_ui.list1->setMinimumSize(520, 260);
    m_ui.list1->setUniformItemSizes(true);
    middle->addWidget(m_ui.list1, 1);
    auto* drive = named(new QComboBox, QStringLiteral("Drive1"));
    for (const QFileInfo& d : QDir::drives())
        drive->addItem(d.absolutePath());
    m_ui.drive1 = drive;
    auto* dir = named(new QListWidget, QStringLiteral("Dir1"));
    m_ui.dir1 = dir;
    middle->addWidget(m_ui.drive1);
    middle->addWidget(m_ui.dir1, 1);

    m_ui.gauge2 = named(new ProgressGauge, QStringLiteral("Gauge2"), QStringLiteral("Records"));
    middle->addWidget(m_ui.gauge2);
    auto* nav = new QHBoxLayout;
    m_ui.restart = named(new QPushButton(QStringLiteral("|<")), QStringLiteral("RESTART"));
    m_ui.back = named(new QPushButton(QStringLiteral("<< 50")), QStringLiteral("Back"));
    m_ui.skip1 = named(new QPushButton(QStringLiteral(">")), QStringLiteral("Skip1"), QStringLiteral("Start"));
    m_ui.skip2 = named(new QPushButton(QStringLiteral(">> 100")), QStringLiteral("Skip2"));
    auto* stop = named(new QToolButton, QStringLiteral("StopA"));
    stop->setText(QStringLiteral("\u25A0 Stop"));
    stop->setToolButtonStyle(Qt::ToolButtonTextOnly);
    stop->setStyleSheet(QStringLiteral("color: rgb(200,0,0); font-weight: bold;"));
    m_ui.stopA = stop;
    // Its place is kept while hidden: a replay's start must not widen the window.
    QSizePolicy keep = stop->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    stop->setSizePolicy(keep);
    m_ui.pause = named(new QCheckBox(QStringLiteral("Pause")), QStringLiteral("Pause"));
    m_ui.lop = named(new QCheckBox(QStringLiteral("Loop")), QStringLiteral("Lop"));
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui.restart, m_ui.back, m_ui.skip1, m_ui.skip2, m_ui.stopA,
                                                      m_ui.pause, m_ui.lop})
        nav->addWidget(w);
    nav->addStretch(1);
    middle->addLayout(nav);
    m_commandRow = new QHBoxLayout;
    m_ui.downloadC = named(new QPushButton(QStringLiteral("Garmin")), QStringLiteral("DownloadC"));
    m_ui.minC = named(new QCheckBox(QStringLiteral("Mini")), QStringLiteral("MinC"), QStringLiteral("minimize"));
    m_ui.miniA = named(new QLabel(QStringLiteral("\u25BC")), QStringLiteral("MiniA"));
    m_ui.ende = named(new QPushButton(QStringLiteral("Exit")), QStringLiteral("ENDE"));
    m_commandRow->addWidget(m_ui.downloadC);
    m_commandRow->addWidget(m_ui.minC);
    m_commandRow->addWidget(m_ui.miniA);
    m_commandRow->addStretch(1);
    m_commandRow->addWidget(m_ui.ende);
    middle->addLayout(m_commandRow);
    root->addLayout(middle, 1);

    // Right: read-outs, compass, altitude picture, files.
    auto* right = new QVBoxLayout;
    auto* readBox = named(new QGroupBox(QStringLiteral("Position")), QStringLiteral("ReadoutFrame"));
    auto* readRow = new QHBoxLayout(readBox);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    readRow->addLayout(grid, 1);
    m_ui.wtL = readout(QStringLiteral("WtL"), QStringLiteral("Day"), QStringLiteral("Donnerstag"));
    m_ui.datum = readout(QStringLiteral("Datum"), QStringLiteral("Date"), QStringLiteral("30. Sep 2026"));
    m_ui.zeit = readout(QStringLiteral("Zeit"), QStringLiteral("Time"), QStringLiteral("00:00:00"));
    m_ui.ttl = readout(QStringLiteral("TTL"), QStringLiteral("Trip-Timer"));
    m_ui.speedL = readout(QStringLiteral("SpeedL"), QStringLiteral("Speed"));
    m_ui.maxL = readout(QStringLiteral("MaxL"), QStringLiteral("Max. Speed (Reset)"));
    m_ui.nnL = readout(QStringLiteral("NNL"), QStringLiteral("Altitude"));
    m_ui.nnMaxL = readout(QStringLiteral("NNmaxL"), QStringLiteral("NN max"));
    m_ui.nnMinL = readout(QStringLiteral("NNminL"), QStringLiteral("NN min"));
    m_ui.tripL = readout(QStringLiteral("TripL"), QStringLiteral("Trip-Odo"));
    m_ui.distL = readout(QStringLiteral("DistL"), QStringLiteral("Distance from Start"));
    m_ui.maxL->setCursor(Qt::PointingHandCursor); // a click resets it
    m_ui.nnM = named(new QLabel, QStringLiteral("nnM"));
    // Each read-out is a cell: its caption above, the value with its unit
    // below; three rows of cells (clock, motion, altitude).
    auto addCell = [&](int row, int cell, QLabel* value, const QString& text, QLabel* unit = nullptr) {
        grid->addWidget(caption(value->objectName() + QStringLiteral("Cap"), text), 2 * row, 2 * cell, 1, 2);
        grid->addWidget(value, 2 * row + 1, 2 * cell);
        if (unit)
            grid->addWidget(unit, 2 * row + 1, 2 * cell + 1);
    };
    // Label3, Label6 and Label9 switch the units when clicked; a frame would
    // crowd the read-outs, the cursor and the hover ring say it.
    auto unitLabel = [&](const QString& name, const QString& text, bool clickable = true) {
        QLabel* l = clickable ? new ClickableLabel(text) : new QLabel(text);
        named(l, name)->setFrameShape(QFrame::NoFrame);
        m_unitLabels[name] = l;
        return l;
    };
    addCell(0, 0, m_ui.wtL, QStringLiteral("Day"));
    addCell(0, 1, m_ui.datum, QStringLiteral("Date"));
    addCell(0, 2, m_ui.zeit, QStringLiteral("Time"));
    addCell(0, 3, m_ui.ttl, QStringLiteral("Trip-Timer"), named(new QLabel(QStringLiteral("h:m")), QStringLiteral("Label14")));
    addCell(1, 0, m_ui.speedL, QStringLiteral("Speed"), unitLabel(QStringLiteral("Label3"), QStringLiteral("km/h")));
    addCell(1, 1, m_ui.maxL, QStringLiteral("Max. Speed"));
    addCell(1, 2, m_ui.tripL, QStringLiteral("Trip-Odo"), unitLabel(QStringLiteral("Label16"), QStringLiteral("km ~"), false));
    m_label6 = unitLabel(QStringLiteral("Label6"), QStringLiteral("km ->"));
    addCell(1, 3, m_ui.distL, QStringLiteral("Distance from Start"), m_label6);
    addCell(2, 0, m_ui.nnL, QStringLiteral("Altitude"), unitLabel(QStringLiteral("Label9"), QStringLiteral("m NN")));
    addCell(2, 1, m_ui.nnMinL, QStringLiteral("NN min"));
    addCell(2, 2, m_ui.nnMaxL, QStringLiteral("NN max"));
    m_ui.maxL->setCursor(Qt::PointingHandCursor); // a click resets it
    grid->setRowStretch(6, 1);
    auto* compassColumn = new QVBoxLayout;
    m_ui.gauge1 = named(new CompassGauge, QStringLiteral("Gauge1"), QStringLiteral("Course"));
    compassColumn->addWidget(m_ui.gauge1, 0, Qt::AlignHCenter);
    compassColumn->addWidget(m_ui.nnM, 0, Qt::AlignHCenter);
    compassColumn->addStretch(1);
    readRow->addLayout(compassColumn);
    right->addWidget(readBox);
    m_ui.dia = named(new AltitudePicture, QStringLiteral("DIA"), QStringLiteral("Altitude"));
    right->addWidget(m_ui.dia);

    m_statusGroup = named(new QGroupBox(QStringLiteral("Clock")), QStringLiteral("StatusFrame"));
    new QHBoxLayout(m_statusGroup);
    m_statusGroup->hide(); // filled by the clock and unit settings
    right->addWidget(m_statusGroup);

    auto* filesBox = named(new QGroupBox(QStringLiteral("Tracks")), QStringLiteral("FileFrame"));
    auto* filesLayout = new QVBoxLayout(filesBox);
    auto* folderRow = new QHBoxLayout;
    m_folderLabel = named(new ElidedLabel(Qt::ElideMiddle), QStringLiteral("FolderL"));
    m_ui.dirSel = named(new QPushButton(QStringLiteral("Folder...")), QStringLiteral("DirSel"));
    folderRow->addWidget(m_folderLabel, 1);
    folderRow->addWidget(m_ui.dirSel);
    filesLayout->addLayout(folderRow);
    m_ui.file1 = named(new QListWidget, QStringLiteral("File1"));
    m_ui.file1->setMinimumHeight(120);
    filesLayout->addWidget(m_ui.file1, 1);

    // The manual controls take the place of the file panel, which manual
    // mode has no use for; one slot for both keeps the window's size when
    // the mode changes.
    m_manualGroup = named(new QGroupBox(QStringLiteral("Manual")), QStringLiteral("ManualFrame"));
    new QGridLayout(m_manualGroup);
    auto* lower = new QWidget;
    m_lowerStack = new QStackedLayout(lower);
    m_lowerStack->setContentsMargins(0, 0, 0, 0);
    m_lowerStack->addWidget(filesBox);
    m_lowerStack->addWidget(m_manualGroup);
    m_lowerStack->setCurrentWidget(filesBox); // manual mode shows the other
    right->addWidget(lower, 1);
    root->addLayout(right);

    m_ui.drive1->hide();
    m_ui.dir1->hide();
    m_ui.pauseL->hide();
    m_ui.loopL->hide();
    m_ui.autoL->hide();
    m_ui.runA->hide();
    m_ui.miniA->hide();
}

void SimWindow::wireOptions()
{
    // The boxes are the options: every change, the user's or the engine's,
    // reaches the engine before any other handler of the box runs.
    ReplayOptions& o = m_frontEnd.options();
    auto bind = [this](QCheckBox* box, bool& option) {
        option = box->isChecked();
        connect(box, &QCheckBox::toggled, this, [&option](bool on) { option = on; });
    };
    for (int i = 0; i < DataBoxCount; ++i)
        bind(m_ui.data[size_t(i)], o.data[size_t(i)]);
    bind(m_ui.pause, o.pause);
    bind(m_ui.lop, o.lop);
    bind(m_ui.last, o.last);
    bind(m_ui.autoSkip, o.autoSkip);
    bind(m_ui.autoReset, o.autoReset);
    bind(m_ui.equ, o.equ);
    bind(m_ui.manu, o.manu);
    bind(m_ui.minC, o.minC);
    o.profile = true;
}

void SimWindow::wireEvents()
{
    connect(m_ui.file1, &QListWidget::itemClicked, m_loader, [this] { m_loader->loadSelectedFile(); });
    connect(m_ui.skip1, &QPushButton::clicked, m_loader, &Loader::skip1Clicked);
    connect(m_ui.skip2, &QPushButton::clicked, m_loader, &Loader::skip2Clicked);
    connect(m_ui.back, &QPushButton::clicked, m_loader, &Loader::backClicked);
    connect(m_ui.restart, &QPushButton::clicked, m_loader, &Loader::restartClicked);
    connect(static_cast<QToolButton*>(m_ui.stopA), &QToolButton::clicked, m_loader, &Loader::stopAClicked);
    connect(m_ui.gauge2, &ProgressGauge::clickedAt, m_loader,
            [this](int x) { m_loader->gaugeClicked(x, m_ui.gauge2->width()); });
    connect(m_ui.pause, &QCheckBox::toggled, m_loader, &Loader::pauseToggled);
    connect(m_ui.lop, &QCheckBox::toggled, m_loader, &Loader::lopToggled);
    connect(m_ui.autoSkip, &QCheckBox::clicked, m_loader, &Loader::autoSkipClicked);
    connect(m_ui.last, &QCheckBox::toggled, m_tick, &ReplayTick::lastToggled);
    for (int i = 0; i < 8; ++i)
        connect(m_ui.abstand[i], &QRadioButton::clicked, m_tick, [this, i] { m_tick->choosePace(i); });
    connect(m_command1, &QPushButton::clicked, this, [this] {
        for (QCheckBox* b : m_ui.data)
            b->setChecked(true);
        m_ui.ende->setFocus();
    });
    connect(m_rmcRmb, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < 7; ++i)
            m_ui.data[i]->setChecked(i < 2);
        m_ui.ende->setFocus();
    });
    connect(m_ui.dirSel, &QPushButton::clicked, this, [this] { showFolderBrowser(m_ui.dir1->isHidden()); });
    auto* dir = static_cast<QListWidget*>(m_ui.dir1);
    connect(dir, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        setTrackFolder(QDir(m_folder).absoluteFilePath(item->text()));
        fillDirectoryList();
    });
    auto* drive = static_cast<QComboBox*>(m_ui.drive1);
    connect(drive, &QComboBox::activated, this, [this, drive](int) {
        setTrackFolder(drive->currentText());
        fillDirectoryList();
    });
    connect(m_sink, &SentenceSink::channelFailed, this, [this](const QString& message) {
        // One box per failure text and replay, so a dead port does not flood the user.
        if (m_failuresShown.contains(message))
            return;
        m_failuresShown.append(message);
        m_dialogs->message(message, QStringLiteral("Output"), zv::Dialogs::Icon::Warning, zv::Dialogs::Buttons::Ok);
    });
    m_loader->setReplayStopped([this] { m_failuresShown.clear(); });
    m_ui.list1->viewport()->installEventFilter(this);
}

void SimWindow::showManualGroup(bool on)
{
    m_lowerStack->setCurrentIndex(on ? 1 : 0);
}

void SimWindow::showFolderBrowser(bool on)
{
    if (on)
        fillDirectoryList();
    m_ui.dir1->setVisible(on);
    m_ui.drive1->setVisible(on && static_cast<QComboBox*>(m_ui.drive1)->count() > 1);
    m_ui.list1->setVisible(!on);
}

void SimWindow::fillDirectoryList()
{
    auto* dir = static_cast<QListWidget*>(m_ui.dir1);
    dir->clear();
    dir->addItem(QStringLiteral(".."));
    const QStringList subs = QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    dir->addItems(subs);
}

void SimWindow::setTrackFolder(const QString& folder)
{
    m_folder = QDir(folder).absolutePath();
    m_loader->setFolder(m_folder);
    m_folderLabel->setText(QDir::toNativeSeparators(m_folder));
    m_ui.dirSel->setToolTip(dirSelToolTip(QDir::toNativeSeparators(m_folder)));
    refreshFileList();
}

QString SimWindow::trackFolder() const
{
    return m_folder;
}

void SimWindow::refreshFileList()
{
    QStringList patterns;
    for (const char* p : kTrackPatterns)
        patterns << QString::fromLatin1(p);
    QStringList files = QDir(m_folder).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase);
    const QString pattern = m_file1Pattern.isNull() ? patterns.join(QLatin1Char(';')) : m_file1Pattern;
    if (!m_file1Pattern.isNull()) { // the file panel's pattern, matched without regard to case
        files = QDir(m_folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        files.removeIf([&pattern](const QString& f) { return !matchesFilePattern(f, pattern); });
    }
    // Names that are not UTF-8 (old disks, archives), which Qt's listing leaves out.
    QStringList odd = zv::oddFileNames(m_folder);
    odd.removeIf([&pattern](const QString& f) { return !matchesFilePattern(f, pattern); });
    if (!odd.isEmpty()) {
        files += odd;
        // The listing's own order: by name, case ignored.
        std::stable_sort(files.begin(), files.end(),
                         [](const QString& a, const QString& b) { return a.toLower() < b.toLower(); });
    }
    files.removeDuplicates();
    m_ui.file1->clear();
    m_ui.file1->addItems(files);
}

bool SimWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui.list1->viewport() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        m_ui.list1->clear();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && (w == this || isAncestorOf(w)) && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return m_loader->escapePressed();
    }
    if (m_manualMode && m_manualMode->filterEvent(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace zelvan
