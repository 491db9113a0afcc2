// Form1's trip part: statistics read-outs, interval options, START, STOP,
// RESET, the recording dialogue, both profiles and the route view.
#include "common/dialogs.h"
#include "display/plots/profile_plot.h"
#include "display/plots/route_plot.h"
#include "display/window/display_window.h"
#include "display/window/readout_pictures.h"
#include "display/window/trip_pictures.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vur {
namespace {

QLabel* tripReadout(QWidget* parent, const char* name, const QString& tip)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setToolTip(tip);
    QFont f = label->font();
    f.setPixelSize(20);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(64);
    return label;
}

QLabel* smallCaption(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPixelSize(10);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// Read-outs are not edited: releasing the mouse on one hands the focus on.
class FocusOnRelease : public QObject {
public:
    FocusOnRelease(QWidget* target, QObject* parent) : QObject(parent), m_target(target) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease && m_target)
            m_target->setFocus();
        return false;
    }

private:
    QWidget* m_target;
};

// Enter and any other key released in the name field.
class KeyUpFilter : public QObject {
public:
    KeyUpFilter(std::function<void(bool enter)> handler, QObject* parent)
        : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            m_handler(key == Qt::Key_Return || key == Qt::Key_Enter);
        }
        return false;
    }

private:
    std::function<void(bool)> m_handler;
};

struct IntervalOption {
    const char* caption;
    const char* tip;
};
constexpr IntervalOption intervalOptions[7] = {
    {" 1s", "Aufzeichnungsdauer=15min"}, {" 2s", "Aufzeichnungsdauer=30min"},
    {" 4s", "Aufzeichnungsdauer=1h"},    {" 8s", "Aufzeichnungsdauer=3h"},
    {" 24s", "Aufzeichnungsdauer=8h"},   {" 64s", "Aufzeichnungsdauer=10h/Auto"},
    {"Auto", "Aufzeichnungsdauer=10h/Auto"},
};

} // namespace

void DisplayWindow::setupTrip()
{
    m_profileReadouts = std::make_unique<ProfileReadouts>();

    // Statistics read-outs, each under its caption.
    struct Cell {
        const char* name;
        QString text;
    };
    const Cell cells[] = {
        {"SPDmax", QStringLiteral("Höchstgeschwindigkeit")},
        {"SPDavg", QStringLiteral("Durchschnittsgeschwindigkeit")},
        {"STRweg", QStringLiteral("Fahrweg")},
        {"STRluft", QStringLiteral("Luftlinie")},
        {"Berg", QStringLiteral("Steigung")},
        {"RZ", QStringLiteral("Reisezeit")},
        {"FZ", QStringLiteral("Fahrzeit")},
        {"NNmax", QStringLiteral("max.")},
        {"NNmin", QStringLiteral("min.")},
    };
    QLabel** readouts = m_tripReadouts;
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int i = 0; i < 9; ++i) {
        readouts[i] = tripReadout(m_tripPanel, cells[i].name, cells[i].text);
        const int row = (i / 5) * 2, col = i % 5;
        grid->addWidget(smallCaption(m_tripPanel, cells[i].text), row, col);
        grid->addWidget(readouts[i], row + 1, col);
    }

    // Lamps: input running (green), stopped (red), a sample logged (yellow).
    m_agn = new Lamp(QColor(0, 192, 0), m_tripPanel);
    m_agn->setObjectName(QStringLiteral("Agn"));
    m_art = new Lamp(QColor(255, 0, 0), m_tripPanel);
    m_art->setObjectName(QStringLiteral("Art"));
    m_art->hide();
    m_recA = new Lamp(QColor(255, 255, 0), m_tripPanel);
    m_recA->setObjectName(QStringLiteral("RecA"));
    m_recA->hide();
    auto* lamps = new QHBoxLayout;
    lamps->addWidget(m_agn);
    lamps->addWidget(m_art);
    lamps->addWidget(m_recA);
    grid->addLayout(lamps, 3, 4, Qt::AlignCenter);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(500);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, m_recA, &QWidget::hide);

    // Sample interval options.
    auto* options = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 7; ++i) {
        auto* o = new QRadioButton(QString::fromLatin1(intervalOptions[i].caption), m_tripPanel);
        o->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        o->setToolTip(QString::fromLatin1(intervalOptions[i].tip));
        o->setChecked(i == 0);
        group->addButton(o, i);
        options->addWidget(o);
        m_option1[i] = o;
        connect(o, &QRadioButton::clicked, this, [this, i] { m_trip->chooseInterval(i); });
    }
    options->addStretch(1);

    m_start = button(m_tripPanel, "START", QStringLiteral("START"));
    m_stop = button(m_tripPanel, "STOP", QStringLiteral("STOP"));
    m_reset = button(m_tripPanel, "RESET", QStringLiteral("RESET"));
    m_save = button(m_tripPanel, "SAVE", QStringLiteral("speichern"));
    m_load = button(m_tripPanel, "LOAD", QStringLiteral("laden"));
    m_fileT = new QLineEdit(m_tripPanel);
    m_fileT->setObjectName(QStringLiteral("FileT"));
    m_fileL = new QListWidget(m_tripPanel);
    m_fileL->setObjectName(QStringLiteral("FileL"));
    m_fileL->setMaximumHeight(72);
    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {m_start, m_stop, m_reset})
        commands->addWidget(b);
    commands->addSpacing(12);
    commands->addWidget(m_save);
    commands->addWidget(m_load);
    commands->addWidget(m_fileT, 1);
    auto* tripBox = new QVBoxLayout(m_tripPanel);
    tripBox->setContentsMargins(4, 4, 4, 4);
    tripBox->addLayout(grid);
    tripBox->addLayout(options);
    tripBox->addLayout(commands);
    tripBox->addWidget(m_fileL);
    tripBox->addStretch(1);

    // Profiles: speed above altitude.
    m_spl = new ProfileView(ProfileKind::Speed, [this]() -> const Profile& { return m_trip->state().speed; },
                            m_profileReadouts.get(), m_profilePanel);
    m_spl->setObjectName(QStringLiteral("SPL"));
    m_nnl = new ProfileView(ProfileKind::Altitude, [this]() -> const Profile& { return m_trip->state().altitude; },
                            m_profileReadouts.get(), m_profilePanel);
    m_nnl->setObjectName(QStringLiteral("NNL"));
    auto* profiles = new QVBoxLayout(m_profilePanel);
    profiles->setContentsMargins(2, 2, 2, 2);
    profiles->addWidget(m_spl, 1);
    profiles->addWidget(m_nnl, 1);
    for (ProfileView* v : {m_spl, m_nnl})
        connect(v, &ProfileView::readoutChanged, this, [this] {
            m_spl->update();
            m_nnl->update();
        });

    // The route view with its scale caption underneath.
    m_rtel = new QLabel(this);
    m_rtel->setObjectName(QStringLiteral("RTEL"));
    m_rtel->setAlignment(Qt::AlignCenter);
    auto* routeBox = new QWidget(this);
    auto* routeLayout = new QVBoxLayout(routeBox);
    routeLayout->setContentsMargins(0, 0, 0, 0);
    routeLayout->setSpacing(1);
    if (QLayout* root = layout())
        delete root->replaceWidget(m_route, routeBox, Qt::FindChildrenRecursively);
    routeLayout->addWidget(m_route, 1);
    routeLayout->addWidget(m_rtel);
    m_route->setPainter([this](QPainter* p, const QRectF& r) {
        drawRoute(p, r, m_trip->state(), m_targets ? m_targets->routeMark() : std::nullopt);
    });
    connect(m_route, &RouteView::pressed, this, [this](bool left) { m_trip->changeRouteScale(left); });

    m_trip->setView(this);

    auto* focus = new FocusOnRelease(m_route, this);
    for (QLabel* r : m_tripReadouts)
        if (r->objectName() != QLatin1String("Berg"))
            r->installEventFilter(focus);

    // FileL points at the program folder.
    m_recordings = std::make_unique<RecordingDialogue>(m_homeDir, static_cast<RecordingDialogueView*>(this));
    m_recordings->setActions([this](const QString& name) { saveRecording(name); },
                             [this](const QString& name) { loadRecording(name); });
    connect(m_save, &QPushButton::clicked, this, [this] { m_recordings->SAVE_Click(); });
    connect(m_load, &QPushButton::clicked, this, [this] { m_recordings->LOAD_Click(); });
    connect(m_fileL, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_recordings->FileL_Click(m_fileL->row(item)); });
    connect(m_fileL, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_recordings->FileL_DblClick(m_fileL->row(item)); });
    connect(m_fileT, &QLineEdit::textChanged, this, [this](const QString& text) { m_recordings->setTypedName(text); });
    m_fileT->installEventFilter(new KeyUpFilter([this](bool enter) { m_recordings->FileT_KeyUp(enter); }, this));

    connect(m_start, &QPushButton::clicked, this, &DisplayWindow::START_Click);
    connect(m_stop, &QPushButton::clicked, this, &DisplayWindow::STOP_Click);
    connect(m_reset, &QPushButton::clicked, this, &DisplayWindow::resetTrip);

    // A logged sample lights RecA for half a second.
    connect(m_core, &DisplayCore::sampleLogged, this, [this] {
        m_recA->show();
        m_timer1->start();
    });
}

void DisplayWindow::showRunning(bool running)
{
    m_agn->setVisible(running);
    m_art->setVisible(!running);
}

void DisplayWindow::START_Click()
{
    showRunning(true);
    m_dialogs->beep();
    m_gpss->clearBars();
    m_core->start();
}

void DisplayWindow::STOP_Click()
{
    showRunning(false);
    m_dialogs->beep();
    m_core->stop();
}

void DisplayWindow::resetTrip()
{
    m_core->resetTrip();
    m_gpss->clearBars();
    m_gpss->setFocus();
    m_route->update();
}

void DisplayWindow::saveRecording(const QString& typedName)
{
    m_trip->save(m_homeDir, typedName);
}

void DisplayWindow::loadRecording(const QString& typedName)
{
    QString gpssText;
    if (m_core->loadRecording(typedName, &gpssText)) {
        showRunning(false);
        m_dialogs->beep();
        m_gpss->clearBars();
        m_gpss->setFocus();
        m_route->update();
    }
    if (!gpssText.isEmpty())
        m_gpss->setMessage(gpssText);
}

void DisplayWindow::showTripTexts(const TripTexts& t)
{
    const QString* texts[9] = {&t.SPDmax, &t.SPDavg, &t.STRweg, &t.STRluft, &t.Berg, &t.RZ, &t.FZ, &t.NNmax, &t.NNmin};
    for (int i = 0; i < 9; ++i)
        m_tripReadouts[i]->setText(*texts[i]);
    m_rtel->setText(t.RTEL);
}

void DisplayWindow::clearSpeedAndAltitude()
{
    m_speed->clear();
    m_hoehe->clear();
}

void DisplayWindow::showClockAndDate(const QString& clock, const QString& date)
{
    m_uhr->setText(clock);
    m_datum->setText(date);
}

void DisplayWindow::plotChanged(Plot plot)
{
    switch (plot) {
    case Plot::Speed: m_spl->update(); break;
    case Plot::Altitude: m_nnl->update(); break;
    case Plot::Route: m_route->update(); break;
    }
}

void DisplayWindow::showDialogueMode(RecordingDialogue::Mode mode)
{
    const bool normal = mode == RecordingDialogue::Mode::Normal;
    m_fileT->setVisible(!normal);
    m_fileL->setVisible(!normal);
    m_save->setVisible(mode != RecordingDialogue::Mode::Loading);
    m_load->setVisible(mode != RecordingDialogue::Mode::Saving);
    // The log boxes give way to the dialogue.
    for (QCheckBox* box : m_check1)
        box->setVisible(normal);
}

void DisplayWindow::showRecordingNames(const QStringList& names)
{
    m_fileL->clear();
    m_fileL->addItems(names);
}

void DisplayWindow::showTypedName(const QString& name)
{
    m_fileT->setText(name);
}

void DisplayWindow::focusNameField()
{
    m_fileT->setFocus();
}

void DisplayWindow::showNameSelection(int row)
{
    m_fileL->setCurrentRow(row);
}

} // namespace vur
