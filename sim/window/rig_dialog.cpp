#include "sim/window/rig_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelvan {

namespace {

// Ready fault plans for the usual tests of a receiver's reader.
const std::pair<const char*, const char*> kPresets[] = {
    {"Bad checksums", "checksum=0.02"},
    {"Lost sentences and epochs", "drop=0.05,dropepoch=0.02"},
    {"Fix lost after 1 min for 30 s", "fixloss=60s+30s"},
    {"Noisy line", "garbage=0.05,truncate=0.02,checksum=0.02"},
    {"Position jumps of 200 m", "jump=0.02:200m"},
    {"Epochs 3 s late", "latency=0.05:3s"},
    {"Another talker", "talker=0.05"},
};

QLabel* errorLabel(const QString& name)
{
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
    l->hide();
    return l;
}

QLabel* note(const QString& text)
{
    auto* l = new QLabel(text);
    l->setWordWrap(true);
    l->setForegroundRole(QPalette::PlaceholderText);
    return l;
}

void showError(QLabel* label, const QString& text)
{
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

RigDialog::RigDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RigDialog"));
    setWindowTitle(QStringLiteral("Rig: live time and injected faults"));
    auto* layout = new QVBoxLayout(this);

    auto* timeBox = new QGroupBox(QStringLiteral("Time in the sentences"));
    auto* timeGrid = new QGridLayout(timeBox);
    const char* timeCaptions[3] = {"The file's own", "Now", "Start at (UTC)"};
    auto* timeGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_time[i] = new QRadioButton(QString::fromLatin1(timeCaptions[i]));
        m_time[i]->setObjectName(QStringLiteral("RigTime(%1)").arg(i));
        timeGroup->addButton(m_time[i], i);
        timeGrid->addWidget(m_time[i], i, 0);
    }
    m_time[0]->setChecked(true);
    m_start = new QLineEdit;
    m_start->setObjectName(QStringLiteral("RigStart"));
    m_start->setPlaceholderText(QStringLiteral("2024-05-01T12:00:00Z"));
    m_start->setToolTip(QStringLiteral("An ISO 8601 instant; without a zone it is UTC"));
    timeGrid->addWidget(m_start, 2, 1);
    m_timeError = errorLabel(QStringLiteral("RigTimeError"));
    timeGrid->addWidget(m_timeError, 3, 0, 1, 2);
    timeGrid->setColumnStretch(1, 1);
    layout->addWidget(timeBox);

    auto* faultsBox = new QGroupBox(QStringLiteral("Injected faults"));
    auto* faultsGrid = new QGridLayout(faultsBox);
    m_faults = new QLineEdit;
    m_faults->setObjectName(QStringLiteral("RigFaults"));
    m_faults->setPlaceholderText(QStringLiteral("none, or e.g. checksum=0.01,drop=0.02,fixloss=120s+30s"));
    m_faults->setToolTip(QStringLiteral("checksum, drop, dropepoch, truncate, garbage, talker=RATE; "
                                        "jump=RATE:DISTANCE; latency=RATE:TIME; fixloss=START+LENGTH"));
    m_faults->setMinimumWidth(m_faults->fontMetrics().horizontalAdvance(m_faults->placeholderText()) + 16);
    m_presets = new QComboBox;
    m_presets->setObjectName(QStringLiteral("RigPresets"));
    m_presets->addItem(QStringLiteral("Presets"));
    for (const auto& [caption, plan] : kPresets)
        m_presets->addItem(QString::fromLatin1(caption), QString::fromLatin1(plan));
    faultsGrid->addWidget(m_faults, 0, 0);
    faultsGrid->addWidget(m_presets, 0, 1);
    m_faultsError = errorLabel(QStringLiteral("RigFaultsError"));
    faultsGrid->addWidget(m_faultsError, 1, 0, 1, 2);
    faultsGrid->setColumnStretch(0, 1);
    auto* seedRow = new QHBoxLayout;
    seedRow->addWidget(new QLabel(QStringLiteral("Seed")));
    m_seed = new QLineEdit;
    m_seed->setObjectName(QStringLiteral("RigSeed"));
    m_seed->setPlaceholderText(QStringLiteral("a new one at every start"));
    m_seed->setToolTip(QStringLiteral("The same seed gives the same faults in the same sentences"));
    seedRow->addWidget(m_seed, 1);
    m_seedInUse = new QLabel;
    m_seedInUse->setObjectName(QStringLiteral("RigSeedInUse"));
    m_seedInUse->setTextInteractionFlags(Qt::TextSelectableByMouse);
    seedRow->addWidget(m_seedInUse);
    faultsGrid->addLayout(seedRow, 2, 0, 1, 2);
    m_seedError = errorLabel(QStringLiteral("RigSeedError"));
    faultsGrid->addWidget(m_seedError, 3, 0, 1, 2);
    layout->addWidget(faultsBox);

    layout->addWidget(note(QStringLiteral("OK applies it at once and to every replay that starts; "
                                          "Zelvan forgets it when it ends.")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("RigButtons"));
    QPushButton* off = buttons->addButton(QStringLiteral("All off"), QDialogButtonBox::ResetRole);
    off->setObjectName(QStringLiteral("RigOff"));
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &RigDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RigDialog::reject);
    connect(off, &QPushButton::clicked, this, [this] { setOptions(RigOptions{}); });
    connect(timeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_start->setEnabled(id == 2);
        if (id == 2 && m_start->text().isEmpty()) {
            // The current minute, as a start to edit.
            QDateTime now = QDateTime::currentDateTimeUtc();
            now.setTime(QTime(now.time().hour(), now.time().minute()));
            m_start->setText(now.toString(Qt::ISODate));
        }
        check();
    });
    connect(m_presets, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            m_faults->setText(m_presets->itemData(index).toString());
        m_presets->setCurrentIndex(0);
    });
    for (QLineEdit* edit : {m_start, m_faults, m_seed})
        connect(edit, &QLineEdit::textChanged, this, &RigDialog::check);
    m_start->setEnabled(false);
}

void RigDialog::setOptions(const RigOptions& options)
{
    const int mode = options.time.mode == TimeMode::Now ? 1 : options.time.mode == TimeMode::Start ? 2 : 0;
    m_time[mode]->setChecked(true);
    m_start->setEnabled(mode == 2);
    if (mode == 2)
        m_start->setText(timeChoiceText(options.time));
    m_faults->setText(options.faults ? faultPlanText(*options.faults) : QString());
    m_seed->setText(options.seed ? QString::number(*options.seed) : QString());
    check();
}

RigDialog::Reading RigDialog::read() const
{
    Reading r;
    const QString time = m_time[1]->isChecked()   ? QStringLiteral("now")
                         : m_time[2]->isChecked() ? m_start->text()
                                                  : QStringLiteral("file");
    setRigOption(r.options, QStringLiteral("time"), time, &r.timeError);
    if (!m_faults->text().trimmed().isEmpty())
        setRigOption(r.options, QStringLiteral("faults"), m_faults->text(), &r.faultsError);
    if (!m_seed->text().trimmed().isEmpty())
        setRigOption(r.options, QStringLiteral("seed"), m_seed->text(), &r.seedError);
    return r;
}

std::optional<RigOptions> RigDialog::options() const
{
    const Reading r = read();
    return r.ok() ? std::optional(r.options) : std::nullopt;
}

void RigDialog::setSeedInUse(std::optional<quint64> seed)
{
    m_seedInUse->setText(seed ? QStringLiteral("in use: %1").arg(*seed) : QString());
    m_seedInUse->setVisible(seed.has_value());
}

void RigDialog::check()
{
    const Reading r = read();
    showError(m_timeError, r.timeError);
    showError(m_faultsError, r.faultsError);
    showError(m_seedError, r.seedError);
}

void RigDialog::accept()
{
    check();
    if (!read().ok()) {
        const std::pair<QLabel*, QLineEdit*> fields[] = {
            {m_timeError, m_start}, {m_faultsError, m_faults}, {m_seedError, m_seed}};
        for (const auto& [label, field] : fields)
            if (!label->isHidden()) {
                field->setFocus();
                break;
            }
        return;
    }
    QDialog::accept();
}

} // namespace zelvan
