// Form1's targets part: the destination read-outs DIRT, DIST, TRNE, the
// arrow DirP, the list GotoL from "VUR.wpt" and its editing controls.
#include "display/targets/targets_file.h"
#include "display/window/display_window.h"
#include "display/window/trip_pictures.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTime>
#include <QVBoxLayout>

namespace vur {
namespace {

QLabel* targetReadout(QWidget* parent, const char* name, int pixelSize)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

} // namespace

void DisplayWindow::setupTargets()
{

    QWidget* panel = m_targetPanel;
    m_dirt = targetReadout(panel, "DIRT", 18);
    m_dist = targetReadout(panel, "DIST", 18);
    m_trne = targetReadout(panel, "TRNE", 22);
    m_dirP = new TargetArrowView([this] { return m_targets->arrowAngle(); }, panel);
    m_dirP->setObjectName(QStringLiteral("DirP"));
    m_dirP->setToolTip(QStringLiteral("Ziel"));
    m_gotoL = new QListWidget(panel);
    m_gotoL->setObjectName(QStringLiteral("GotoL"));
    m_gotoL->setToolTip(QStringLiteral("Ziele"));
    m_gotoL->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // A whole entry (name, blanks, latitude and longitude) shows without a
    // horizontal scroll bar: the longitude is what one looks for.
    // The panel holds the width while the list is hidden, so showing the
    // list neither clips it nor moves its neighbours.
    const QString widest = entryOfLine(QStringLiteral("WWWWWW 48\u00B007'02.3\"N 011\u00B031'00.0\"E"));
    const int listWidth = QFontMetrics(m_gotoL->font()).horizontalAdvance(widest) + 2 * m_gotoL->frameWidth()
        + m_gotoL->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    m_gotoL->setMinimumWidth(listWidth);
    panel->setMinimumWidth(listWidth + 8 + 2 * m_targetPanel->frameWidth());
    m_gotoSave = new QPushButton(QStringLiteral("Standort  speichern"), panel);
    m_gotoSave->setObjectName(QStringLiteral("GotoSave"));
    m_gotoSave->setToolTip(QStringLiteral("aktuelle Position speichern"));
    m_gotoN = new QLineEdit(panel);
    m_gotoN->setObjectName(QStringLiteral("GotoN"));
    m_gotoN->setToolTip(QStringLiteral("Name ändern"));
    m_gotoN->setMaxLength(6);
    m_gotoO = new QPushButton(QStringLiteral("OK"), panel);
    m_gotoO->setObjectName(QStringLiteral("GotoO"));
    m_gotoE = new QPushButton(QStringLiteral("löschen"), panel);
    m_gotoE->setObjectName(QStringLiteral("GotoE"));
    m_gotoE->setToolTip(QStringLiteral("Eintrag löschen"));

    auto* head = new QHBoxLayout;
    head->addWidget(m_dirt, 1);
    head->addWidget(m_dist, 1);
    auto* editor = new QHBoxLayout;
    editor->addWidget(m_gotoN, 1);
    editor->addWidget(m_gotoO);
    editor->addWidget(m_gotoE);
    auto* box = new QVBoxLayout(panel);
    box->setContentsMargins(4, 4, 4, 4);
    box->addLayout(head);
    box->addWidget(m_dirP, 1);
    box->addWidget(m_trne);
    box->addWidget(m_gotoL, 1);
    box->addWidget(m_gotoSave);
    box->addLayout(editor);

    m_targets->setView(this);

    connect(m_dirP, &TargetArrowView::pressed, this, [this](bool left) { m_targets->dirPMouseDown(left); });
    connect(m_gotoL, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { m_targets->choose(m_gotoL->row(item)); });
    connect(m_gotoSave, &QPushButton::clicked, this, [this] {
        m_targets->storePosition(m_core->position(), QTime::currentTime());
    });
    const auto rename = [this] { m_targets->rename(m_targets->selected(), m_gotoN->text()); };
    connect(m_gotoO, &QPushButton::clicked, this, rename);
    connect(m_gotoN, &QLineEdit::returnPressed, this, rename);
    connect(m_gotoE, &QPushButton::clicked, this, [this] { m_targets->remove(m_targets->selected()); });
}

void DisplayWindow::showTargetTexts(const TargetTexts& texts)
{
    m_dirt->setText(texts.DIRT);
    m_dist->setText(texts.DIST);
    m_trne->setText(texts.TRNE);
}

void DisplayWindow::showTargetList(const QStringList& entries, int selected)
{
    m_gotoL->clear();
    m_gotoL->addItems(entries);
    m_gotoL->setCurrentRow(selected);
}

void DisplayWindow::showTargetSelection(int selected)
{
    m_gotoL->setCurrentRow(selected);
}

void DisplayWindow::showTargetPanels(bool chooserShown, bool editorShown)
{
    m_gotoSave->setVisible(chooserShown);
    m_gotoL->setVisible(chooserShown);
    m_trne->setVisible(!chooserShown);
    for (QWidget* w : {static_cast<QWidget*>(m_gotoN), static_cast<QWidget*>(m_gotoO), static_cast<QWidget*>(m_gotoE)})
        w->setVisible(editorShown);
}

void DisplayWindow::showEditorName(const QString& name)
{
    m_gotoN->setText(name);
}

void DisplayWindow::wayChanged()
{
    m_dirP->update();
    m_route->update();
}

} // namespace vur
