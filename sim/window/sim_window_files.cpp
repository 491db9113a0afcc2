// The file panel on the SIM window: the name field FileT, the pattern
// buttons, the stored selection, and the file menu (rename, delete, cancel).
#include "common/dialogs.h"
#include "common/file_names.h"
#include "sim/replay/channels/output_port.h"
#include "sim/tracks/loader.h"
#include "sim/window/sim_window.h"
#include "sim/window/sim_window_manual.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace zelvan {

namespace {

QPushButton* panelButton(const QString& name, const QString& caption, const QString& tip)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace

void SimWindow::setupFiles()
{
    m_ui.drive1->setToolTip(QStringLiteral("Data-Drive"));
    m_ui.dir1->setToolTip(QStringLiteral("Data-Path"));
    m_ui.file1->setToolTip(QStringLiteral("Start - Rename/Delete"));

    // Download mode borrows FileT, LOA and the pattern buttons
    // (setDownloadFilePanel below); it sets m_fileT and m_patternButtons.
    auto* fileT = new QLineEdit;
    fileT->setObjectName(QStringLiteral("FileT"));
    fileT->setToolTip(QStringLiteral("File-select"));
    auto* nmea = panelButton(QStringLiteral("NMEA"), QStringLiteral("NMEA"), QStringLiteral("NMEA-Files"));
    auto* track = panelButton(QStringLiteral("TRACK"), QStringLiteral("TRK"), QStringLiteral("Track-Files"));
    auto* all = panelButton(QStringLiteral("ALL"), QStringLiteral("ALL"), QStringLiteral("show all Files"));
    auto* loa = panelButton(QStringLiteral("LOA"), QStringLiteral("LOAD"), QStringLiteral("Load Fileselection"));
    m_save = panelButton(QStringLiteral("SAVE"), QStringLiteral("SAVE"), QStringLiteral("Save Fileselection"));
    m_ui.loa = loa;

    // Shown in the pattern buttons' place while they are hidden for a rename.
    m_renamePrompt = new QLabel;
    m_renamePrompt->setObjectName(QStringLiteral("RenameL"));
    m_renamePrompt->setStyleSheet(QStringLiteral("font-weight: bold;"));
    // A long file name wraps or is cut; it never widens the window.
    m_renamePrompt->setWordWrap(true);
    m_renamePrompt->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_renamePrompt->hide();

    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    grid->addWidget(fileT, 0, 0, 1, 5);
    int col = 0;
    for (QPushButton* b : {nmea, track, all, loa, m_save})
        grid->addWidget(b, 1, col++);
    grid->addWidget(m_renamePrompt, 1, 0, 1, 5);
    // Below the folder row, above File1.
    auto* filesLayout = static_cast<QVBoxLayout*>(m_ui.file1->parentWidget()->layout());
    filesLayout->insertLayout(filesLayout->indexOf(m_ui.file1), grid);

    const std::pair<QPushButton*, PatternButton> patterns[] = {
        {nmea, PatternButton::Nmea}, {track, PatternButton::Track}, {all, PatternButton::All}};
    for (const auto& [button, which] : patterns)
        connect(button, &QPushButton::clicked, this, [this, which = which] { applyFilePanel(m_files.patternButton(which)); });
    // In download mode LOA and Enter start the transfer (sim_window_garmin.cpp).
    connect(loa, &QPushButton::clicked, this, [this] {
        if (!downloadMode())
            applyFilePanel(m_files.loadPattern(m_settingsFile->loadFilePattern()));
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (const auto error = m_settingsFile->saveFilePattern(m_file1Pattern))
            dialogs().message(QStringLiteral("The file selection could not be saved to %1:\n%2")
                                   .arg(QDir::toNativeSeparators(m_settingsFile->path()), *error),
                               QStringLiteral("SAVE"), zv::Dialogs::Icon::Warning);
        m_ui.ende->setFocus();
    });
    connect(fileT, &QLineEdit::textChanged, this,
            [this](const QString& text) { applyFilePanel(m_files.nameFieldChanged(text)); });
    connect(fileT, &QLineEdit::returnPressed, this, &SimWindow::commitRename);

    // The file menu: a context menu on the entry under the mouse, which it
    // names for rename and delete; it never starts a replay.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("MFile"));
    auto* ren = menu->addAction(QStringLiteral("rename"));
    ren->setObjectName(QStringLiteral("MRen"));
    auto* del = menu->addAction(QStringLiteral("delete"));
    del->setObjectName(QStringLiteral("MDel"));
    auto* can = menu->addAction(QStringLiteral("cancel"));
    can->setObjectName(QStringLiteral("Mcan"));
    connect(ren, &QAction::triggered, this, [this] { fileMenuRename(m_menuPath); });
    connect(del, &QAction::triggered, this, [this] { fileMenuDelete(m_menuPath); });
    connect(can, &QAction::triggered, this, [this] { applyFilePanel(m_files.cancelMenu()); });
    m_ui.file1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui.file1, &QWidget::customContextMenuRequested, this, [this, menu](const QPoint& pos) {
        QListWidgetItem* item = m_ui.file1->itemAt(pos);
        // A running replay holds its file; and a download names files itself.
        if (!item || m_state.replayActive || m_loader->isLoading() || m_ui.loa->isHidden() || downloadMode())
            return;
        m_ui.file1->setCurrentItem(item);
        m_menuPath = QDir(m_folder).filePath(item->text());
        m_files.menuOpened();
        m_files.clearSuppressLoad(); // no click follows a context menu
        menu->popup(m_ui.file1->viewport()->mapToGlobal(pos));
    });

    setDownloadFilePanel(fileT, loa, {nmea, track, all, m_save});
    // Manual mode has no use for the file selection; it hides these while on.
    if (m_manualMode)
        for (QWidget* w : std::initializer_list<QWidget*>{fileT, nmea, track, all, loa, m_save})
            m_manualMode->addReplayOnlyWidget(w);
    m_downloadHooks.leaveFilePanel = [this] { leaveDownloadFilePanel(); };
    m_downloadHooks.restoreFilePattern = [this] { applyNameFilter(m_files.filePattern()); };

    // Esc ends a pending rename before it stops anything else.
    auto before = m_loader->escapeFirst();
    m_loader->setEscapeFirst([this, before] {
        if (m_files.renamePending()) {
            applyFilePanel(m_files.cancelRename());
            return true;
        }
        return before && before();
    });

    // The empty output list says how to start.
    m_list1Hint = new QLabel(m_ui.list1->viewport());
    m_list1Hint->setObjectName(QStringLiteral("List1Hint"));
    m_list1Hint->setAlignment(Qt::AlignCenter);
    m_list1Hint->setWordWrap(true);
    m_list1Hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_list1Hint->setForegroundRole(QPalette::PlaceholderText);
    auto* hintBox = new QVBoxLayout(m_ui.list1->viewport());
    hintBox->addWidget(m_list1Hint);
    // It follows the output list's rows, and File1's (an empty folder gets
    // its own line), once the event at hand is done: a list emptied while
    // the window goes down must not reach widgets already gone, and a
    // replay's lines cost one restart of the timer each.
    auto* later = new QTimer(m_list1Hint);
    later->setSingleShot(true);
    later->setInterval(0);
    connect(later, &QTimer::timeout, this, &SimWindow::updateList1Hint);
    const auto update = [later] { later->start(); };
    for (QAbstractItemModel* rows : {m_ui.list1->model(), m_ui.file1->model()}) {
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(rows, signal, m_list1Hint, update);
        connect(rows, &QAbstractItemModel::modelReset, m_list1Hint, update);
    }
    connect(m_ui.manu, &QCheckBox::toggled, m_list1Hint, update);
    connect(m_loader, &Loader::loadFinished, m_list1Hint, update);
    connect(m_loader, &Loader::replayStopped, m_list1Hint, update);
    updateList1Hint();
}

void SimWindow::updateList1Hint()
{
    if (!m_list1Hint)
        return;
    // Called for every line listed: only an empty list needs the text.
    const bool empty = m_ui.list1->count() == 0 && !m_state.replayActive;
    if (empty)
        m_list1Hint->setText(emptyOutputListHint(m_ui.manu->isChecked(), m_ui.file1->count() > 0));
    m_list1Hint->setVisible(empty);
}

void SimWindow::fileMenuRename(const QString& path)
{
    m_menuPath = path;
    applyFilePanel(m_files.beginRename(path));
}

void SimWindow::commitRename()
{
    if (downloadMode() || !m_files.renamePending())
        return;
    applyFilePanel(m_files.commitRename(m_menuPath, m_fileT->text()));
}

void SimWindow::fileMenuDelete(const QString& path)
{
    m_menuPath = path;
    applyFilePanel(m_files.deleteFile(path));
}

void SimWindow::leaveDownloadFilePanel()
{
    // The Garmin side has already closed its port and refills PortC itself.
    FilePanelUpdate u = m_files.leaveDownloadMode();
    u.leaveGarminPort = false;
    u.refillPortList = false;
    applyFilePanel(u);
}

void SimWindow::applyNameFilter(const QString& pattern)
{
    m_file1Pattern = pattern;
    refreshFileList();
}

void SimWindow::applyFilePanel(const FilePanelUpdate& u)
{
    if (u.file1Pattern)
        applyNameFilter(*u.file1Pattern);
    if (u.fileTText) {
        const QString text = *u.fileTText;
        if (m_fileT->text() == text) // no change signal: derive the pattern anyway
            applyFilePanel(m_files.nameFieldChanged(text));
        else
            m_fileT->setText(text);
    }
    if (u.patternButtonsVisible)
        for (QWidget* b : m_patternButtons)
            b->setVisible(*u.patternButtonsVisible);
    if (u.loaVisible)
        m_ui.loa->setVisible(*u.loaVisible);
    if (u.loaEnabled)
        m_ui.loa->setEnabled(*u.loaEnabled);
    if (u.downloadEnabled)
        m_ui.downloadC->setEnabled(*u.downloadEnabled);
    if (u.loaToolTip)
        m_ui.loa->setToolTip(*u.loaToolTip);
    if (u.file1ToolTip)
        m_ui.file1->setToolTip(*u.file1ToolTip);
    if (u.closeAllFiles && !m_state.replayActive && !m_loader->isLoading())
        m_file.close();
    if (u.refreshFile1)
        refreshFileList();
    if (u.cancelAction) {
        m_ui.dirSel->setEnabled(true);
        m_ui.manu->setEnabled(true);
    }
    if (u.beep)
        dialogs().beep();
    if (u.refillPortList) {
        m_outputPort->fillPortList();
        const QSignalBlocker block(m_ui.portC);
        m_ui.portC->setCurrentIndex(m_outputPort->outPortIndex());
    }
    if (u.focusEnde)
        m_ui.ende->setFocus();
    if (u.renamePrompt) {
        m_renamePrompt->setText(*u.renamePrompt);
        m_renamePrompt->setVisible(!u.renamePrompt->isEmpty());
    }
    if (u.focusFileT) {
        m_fileT->setFocus();
        // The name without its extension is what one usually changes.
        const qsizetype dot = m_fileT->text().lastIndexOf(QLatin1Char('.'));
        m_fileT->setSelection(0, int(dot > 0 ? dot : m_fileT->text().size()));
    }
    if (u.failure)
        dialogs().message(u.failure->text, u.failure->title, zv::Dialogs::Icon::Warning);
}

bool SimWindow::loadFile(const QString& path)
{
    // Names as the system gives them: a name that is not UTF-8 is split as text.
    if (!zv::isFile(path))
        return false;
    const QString absolute = zv::absolutePath(path);
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    const QString name = absolute.mid(slash + 1);
    setTrackFolder(slash > 0 ? absolute.left(slash) : QStringLiteral("/"));
    auto found = m_ui.file1->findItems(name, Qt::MatchExactly);
    QListWidgetItem* item = found.isEmpty() ? new QListWidgetItem(name, m_ui.file1) : found.first();
    m_ui.file1->setCurrentItem(item);
    m_loader->loadSelectedFile();
    return true;
}

} // namespace zelvan
