#include "display/window/display_window.h"

#include "common/gui/qt_dialogs.h"
#include "display/plots/profile_plot.h"
#include "display/window/readout_pictures.h"
#include "display/window/trip_pictures.h"
#include "version.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vur {
namespace {

QLabel* readout(QWidget* parent, const char* name, int pixelSize, Qt::Alignment align = Qt::AlignCenter)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromUtf8(name));
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(align);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(pixelSize * 3);
    return label;
}

QLabel* caption(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// Room kept for the trip statistics, profiles, route view and targets.
QFrame* panel(QWidget* parent, const char* name)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setMinimumSize(120, 80);
    return frame;
}

struct TypeBoxCaption {
    const char* name;
    const char* tip;
};
// In the order of the intake's sentence types.
constexpr TypeBoxCaption typeBoxes[6] = {
    {"RMC", "Min.GPS-Data"},      {"RMB", "Min.Navigation-Information"},
    {"GGA", "GPS-Fix-Data"},      {"GSA", "Satellites active"},
    {"GSV", "Satellites view"},   {"VTG", "Track+Speed"},
};

} // namespace

DisplayWindow::DisplayWindow(const QString& homeDir, QWidget* parent) : DisplayWindow(homeDir, nullptr, parent) {}

DisplayWindow::DisplayWindow(const QString& homeDir, zv::Dialogs* dialogs, QWidget* parent)
    : QWidget(parent), m_homeDir(homeDir), m_dialogs(dialogs)
{
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<zv::QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("  Navigation - Display   V%1.%2.%3")
                       .arg(ZV_VERSION_MAJOR).arg(ZV_VERSION_MINOR).arg(ZV_VERSION_PATCH));
    buildControls();

    m_core = new DisplayCore(m_homeDir, *m_dialogs, this, this, this);
    m_intake = m_core->intake();
    m_live = m_core->liveDisplay();
    m_trip = m_core->trip();
    m_targets = m_core->targets();
    setupTrip();
    setupTargets();

    wireEvents();
    // The preset port: selector at 8 means COM1.
    m_intake->PortS_Change(m_portS->value());
    placePointer();
}

DisplayWindow::~DisplayWindow()
{
    qApp->removeEventFilter(this);
}

void DisplayWindow::buildControls()
{
    m_uhr = readout(this, "Uhr", 40);
    m_datum = readout(this, "Datum", 22);
    m_speed = readout(this, "SPEED", 56);
    m_trt = readout(this, "TRT", 26);
    m_hoehe = readout(this, "Höhe", 40);
    m_hoehe->setToolTip(QStringLiteral("Höhe über NN"));
    m_gpsl = new QLabel(this);
    m_gpsl->setObjectName(QStringLiteral("GPSL"));
    m_gpsl->setFrameShape(QFrame::Panel);
    m_gpsl->setFrameShadow(QFrame::Sunken);
    m_gpsl->setMinimumWidth(220);
    m_gpsl->setWordWrap(true);
    m_trk = new CompassView(this);
    m_trk->setObjectName(QStringLiteral("TRK"));
    m_gpss = new SatelliteBars(this);
    m_gpss->setObjectName(QStringLiteral("GPSS"));
    m_gpss->setToolTip(QStringLiteral("Satelliten-Status"));
    QPalette barsPalette = m_gpss->palette();
    barsPalette.setColor(QPalette::Window, Qt::white);
    m_gpss->setPalette(barsPalette);
    m_gpsOk = new FaultPicture(this);
    m_gpsOk->setObjectName(QStringLiteral("GPSok"));
    m_gpsOk->setToolTip(QStringLiteral("Empfangs-Störung"));
    // Showing and hiding the sign must not shift the clock and date.
    QSizePolicy keep = m_gpsOk->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_gpsOk->setSizePolicy(keep);

    m_check1[0] = new QCheckBox(QStringLiteral("x >"), this);
    m_check1[0]->setObjectName(QStringLiteral("Check1(0)"));
    m_check1[0]->setToolTip(QStringLiteral("NMEA-Log neu"));
    m_check1[1] = new QCheckBox(QStringLiteral("> >"), this);
    m_check1[1]->setObjectName(QStringLiteral("Check1(1)"));
    m_check1[1]->setToolTip(QStringLiteral("NMEA-Log anhängen"));
    m_all = new QCheckBox(QStringLiteral("ALL"), this);
    m_all->setObjectName(QStringLiteral("ALL"));
    m_all->setToolTip(QStringLiteral("Record all GPS-Data"));
    for (int i = 0; i < 6; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(typeBoxes[i].name), this);
        box->setObjectName(QString::fromLatin1(typeBoxes[i].name));
        box->setToolTip(QString::fromLatin1(typeBoxes[i].tip));
        box->setChecked(i == 0 || i == 2);
        box->setEnabled(false); // until the first sentence of the type arrives
        m_types[i] = box;
    }
    m_portS = new QScrollBar(Qt::Vertical, this);
    m_portS->setObjectName(QStringLiteral("PortS"));
    m_portS->setRange(1, 8);
    m_portS->setPageStep(1);
    m_portS->setValue(8);
    m_portS->setFixedHeight(44);
    m_portL = new QLabel(QStringLiteral("COM1"), this);
    m_portL->setObjectName(QStringLiteral("PortL"));

    m_route = new RouteView(this);
    m_route->setObjectName(QStringLiteral("RTE"));
    m_rte = m_route;
    m_rte->setFocusPolicy(Qt::StrongFocus);
    m_rte->setMinimumSize(180, 180);
    m_tripPanel = panel(this, "tripPanel");
    m_profilePanel = panel(this, "profilePanel");
    m_targetPanel = panel(this, "targetPanel");

    // Top: time and date with the reception-fault sign.
    auto* top = new QHBoxLayout;
    top->addWidget(m_uhr, 2);
    top->addWidget(m_datum, 3);
    top->addWidget(m_gpsOk);

    // Middle: speed, course with compass, altitude.
    auto* speedBox = new QVBoxLayout;
    speedBox->addWidget(m_speed, 1);
    speedBox->addWidget(caption(this, QStringLiteral("km/h")));
    auto* courseBox = new QVBoxLayout;
    courseBox->addWidget(m_trk, 1);
    courseBox->addWidget(m_trt);
    auto* altBox = new QVBoxLayout;
    altBox->addWidget(m_hoehe, 1);
    altBox->addWidget(caption(this, QStringLiteral("m")));
    auto* middle = new QHBoxLayout;
    middle->addLayout(speedBox, 3);
    middle->addLayout(courseBox, 2);
    middle->addLayout(altBox, 3);

    // Satellites and the room for the trip statistics.
    auto* satBox = new QVBoxLayout;
    satBox->addWidget(m_gpss, 1);
    satBox->addWidget(m_gpsl);
    auto* third = new QHBoxLayout;
    third->addLayout(satBox, 1);
    third->addWidget(m_tripPanel, 2);

    // Profiles, route view and targets to come.
    auto* fourth = new QHBoxLayout;
    fourth->addWidget(m_profilePanel, 3);
    fourth->addWidget(m_rte, 2);
    fourth->addWidget(m_targetPanel, 2);

    // Bottom: log boxes, sentence types, port selector.
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_check1[0]);
    bottom->addWidget(m_check1[1]);
    bottom->addSpacing(16);
    bottom->addWidget(m_all);
    for (QCheckBox* box : m_types)
        bottom->addWidget(box);
    bottom->addStretch(1);
    bottom->addWidget(m_portL);
    bottom->addWidget(m_portS);

    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(middle, 3);
    root->addLayout(third, 2);
    root->addLayout(fourth, 2);
    root->addLayout(bottom);
    resize(defaultSize());
}

void DisplayWindow::wireEvents()
{
    connect(m_portS, &QScrollBar::valueChanged, m_intake, &Intake::PortS_Change);
    for (int i = 0; i < 2; ++i)
        connect(m_check1[i], &QCheckBox::clicked, m_intake, [this, i](bool checked) { m_intake->Check1_MouseUp(i, checked); });
    connect(m_all, &QCheckBox::toggled, m_intake, &Intake::ALL_Click);
    for (int i = 0; i < 6; ++i) {
        const auto type = static_cast<SentenceType>(i);
        connect(m_types[i], &QCheckBox::pressed, m_intake, [this, type] { m_intake->typePressed(type); });
        connect(m_types[i], &QCheckBox::stateChanged, m_intake,
                [this, type](int state) { m_intake->setTypeChecked(type, state == Qt::Checked); });
    }
    for (QWidget* w : {static_cast<QWidget*>(m_uhr), static_cast<QWidget*>(m_datum),
                       static_cast<QWidget*>(m_speed), static_cast<QWidget*>(m_hoehe)})
        w->installEventFilter(this);
    qApp->installEventFilter(this);
}

void DisplayWindow::showPortName(const QString& name)
{
    m_portL->setText(name);
}

void DisplayWindow::showStatus(const QString& text)
{
    m_gpsl->setText(text);
}

void DisplayWindow::clearStatus(const QString& ifShowing)
{
    if (m_gpsl->text() == ifShowing)
        m_gpsl->clear();
}

void DisplayWindow::showLogMode(int mode)
{
    m_check1[0]->setChecked(mode == 1);
    m_check1[1]->setChecked(mode == 2);
}

void DisplayWindow::showAllTypes(bool checked)
{
    // The intake already knows: the box only follows.
    const QSignalBlocker quiet(m_all);
    m_all->setChecked(checked);
}

void DisplayWindow::showTypeBox(SentenceType type, TypeBox state)
{
    QCheckBox* box = m_types[static_cast<int>(type)];
    const QSignalBlocker quiet(box);
    if (state == TypeBox::Greyed) {
        box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    box->setTristate(false);
    box->setCheckState(state == TypeBox::Checked ? Qt::Checked : Qt::Unchecked);
}

void DisplayWindow::enableTypeBox(SentenceType type, bool enabled)
{
    m_types[static_cast<int>(type)]->setEnabled(enabled);
}

void DisplayWindow::logBoxDone()
{
    m_rte->setFocus();
}

void DisplayWindow::showReadouts(const DisplayState& state)
{
    m_uhr->setText(state.uhr);
    m_datum->setText(state.datum);
    m_speed->setText(state.speed);
    m_trt->setText(state.trt);
    m_hoehe->setText(state.hoehe);
    m_gpsOk->setVisible(state.gpsFault);
    if (state.needleDrawn)
        m_trk->setNeedle(state.needleAngle);
}

void DisplayWindow::showSatellites(const std::vector<double>& bars, const QString& statusLine)
{
    m_gpss->setBars(bars);
    m_gpsl->setText(statusLine);
}

void DisplayWindow::placePointer()
{
    // The pointer starts at the screen centre, 10 pixels up, away from the controls.
    if (QScreen* s = screen()) {
        const QRect g = s->geometry();
        QCursor::setPos(s, g.x() + g.width() / 2, g.y() + g.height() / 2 - 10);
    }
}

bool DisplayWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    // Read-outs are not edited: releasing the mouse on one hands the focus to the route view.
    if (event->type() == QEvent::MouseButtonRelease
        && (watched == m_uhr || watched == m_datum || watched == m_speed || watched == m_hoehe)) {
        m_rte->setFocus();
    }
    return QWidget::eventFilter(watched, event);
}

QString DisplayWindow::readoutsReport() const
{
    QString out;
    const auto line = [&out](const QString& name, const QString& value) {
        out += name + QLatin1Char('=') + value + QLatin1Char('\n');
    };
    line(QStringLiteral("Uhr"), m_uhr->text());
    line(QStringLiteral("Datum"), m_datum->text());
    line(QStringLiteral("SPEED"), m_speed->text());
    line(QStringLiteral("TRT"), m_trt->text());
    line(QStringLiteral("Höhe"), m_hoehe->text());
    line(QStringLiteral("GPSL"), m_gpsl->text());
    line(QStringLiteral("GPSok"), m_gpsOk->isHidden() ? QStringLiteral("hidden") : QStringLiteral("shown"));
    line(QStringLiteral("GPSS"), QString::number(m_gpss->columnCount()));
    // The decoded position in signed degrees (no read-out of its own yet).
    const DisplayState& st = m_live->state();
    const auto degrees = [](double seconds, const QByteArray& hemi, char negative) {
        return QString::number((hemi == QByteArray(1, negative) ? -seconds : seconds) / 3600.0, 'f', 6);
    };
    line(QStringLiteral("Position"), st.latField.isEmpty() ? QString()
                                                          : degrees(st.latSec, st.latHemi, 'S') + QLatin1Char(' ')
                                                                + degrees(st.lonSec, st.lonHemi, 'W'));
    line(QStringLiteral("PortL"), m_portL->text());
    return out;
}

} // namespace vur
