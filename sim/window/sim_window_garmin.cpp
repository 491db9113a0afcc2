// The window's side of a Garmin track-log download: the DownloadC question,
// the download-mode layout, starting the transfer from FileT or LOA, its
// progress in List1 and Gauge2, and leaving the mode again.
#include "sim/window/sim_window.h"

#include "common/dialogs.h"
#include "common/port_names.h"
#include "sim/garmin/garmin_download.h"
#include "sim/replay/channels/port_list.h"
#include "sim/tracks/loader.h"
#include "sim/window/gauges.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalBlocker>
#include <QTimer>

namespace zelvan {

namespace {

using Outcome = garmin::GarminDownload::Outcome;

const QString kQuestionTitle = QStringLiteral("  Tracklog-Download");
const QString kQuestion = QStringLiteral("GPS-Receiver connected and in GARMIN-Mode ?");
const QString kList1ToolTip = QStringLiteral("NMEA-out");

// A double click on the window's background leaves download mode. Watching
// the window (not overriding its handler) keeps other uses of the gesture free.
class DoubleClickWatch : public QObject {
public:
    DoubleClickWatch(QObject* parent, std::function<void()> f) : QObject(parent), m_f(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick)
            m_f();
        return false;
    }

private:
    std::function<void()> m_f;
};

} // namespace

void SimWindow::setupGarmin()
{
    m_garmin = new garmin::GarminDownload(dialogs(), this);

    connect(m_ui.downloadC, &QPushButton::clicked, this, &SimWindow::downloadCClicked);
    connect(m_ui.portC, &QComboBox::currentIndexChanged, this, [this](int index) { garminPortSelected(index); });

    connect(m_garmin, &garmin::GarminDownload::listLine, this, [this](const QString& line) {
        m_ui.list1->addItem(line);
        m_ui.list1->scrollToBottom();
    });
    connect(m_garmin, &garmin::GarminDownload::progressMaximum, this,
            [this](int maximum) { m_ui.gauge2->setMaximum(maximum); });
    connect(m_garmin, &garmin::GarminDownload::progressValue, this,
            [this](int value) { m_ui.gauge2->setValue(value); });
    connect(m_garmin, &garmin::GarminDownload::finished, this,
            [this](Outcome outcome, const QString&) { downloadFinished(static_cast<int>(outcome)); });

    // In download mode a click in File1 only names the file to write.
    m_loader->setDownloadModeClick([this](const QString& name) {
        if (!m_downloadMode)
            return false;
        if (m_fileT)
            m_fileT->setText(name);
        if (m_downloadHooks.restoreFilePattern)
            m_downloadHooks.restoreFilePattern();
        return true;
    });
    // Esc: after the folder browser, download mode is left (a transfer is
    // cancelled first).
    auto before = m_loader->escapeFirst();
    m_loader->setEscapeFirst([this, before] {
        if (before && before())
            return true;
        if (!m_downloadMode)
            return false;
        leaveDownloadMode();
        return true;
    });
    installEventFilter(new DoubleClickWatch(this, [this] {
        if (!m_downloadMode)
            return;
        showFolderBrowser(false);
        leaveDownloadMode();
    }));

    // Defaults until the output port and the file panel lend their own.
    m_downloadHooks.fillDownloadPortList = [this] {
        const QSignalBlocker block(m_ui.portC);
        m_ui.portC->clear();
        m_ui.portC->addItems(portListEntries().mid(0, kDownloadModeEntries));
        setPortListColour(qColor(downloadPortListColour()));
    };
    m_downloadHooks.restorePortList = [this] {
        const QSignalBlocker block(m_ui.portC);
        m_ui.portC->clear();
        m_ui.portC->addItems(portListEntries());
        setPortListColour(qColor(portListColour()));
        m_ui.portC->setCurrentIndex(m_outIndexBeforeDownload);
    };
}

void SimWindow::setDownloadFilePanel(QLineEdit* fileT, QPushButton* loa, const QList<QWidget*>& patternButtons)
{
    if (m_fileT)
        disconnect(m_fileT, nullptr, this, nullptr);
    if (m_loa)
        disconnect(m_loa, nullptr, this, nullptr);
    m_fileT = fileT;
    m_loa = loa;
    m_patternButtons = patternButtons;
    // Outside download mode Enter and LOA belong to the file panel (rename,
    // stored pattern); its handlers leave download mode to these.
    if (m_fileT)
        connect(m_fileT, &QLineEdit::returnPressed, this, [this] {
            if (m_downloadMode)
                startDownload();
        });
    if (m_loa)
        connect(m_loa, &QPushButton::clicked, this, [this] {
            if (m_downloadMode)
                startDownload();
        });
}

void SimWindow::setPortListColour(const QColor& colour)
{
    QPalette palette = m_ui.portC->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    m_ui.portC->setPalette(palette);
    m_ui.portC->setAutoFillBackground(true);
}

void SimWindow::downloadCClicked()
{
    if (m_downloadMode || m_garmin->isTransferring())
        return;
    for (QWidget* w : m_patternButtons)
        w->show();
    if (m_fileT)
        m_fileT->clear();
    if (m_garmin->comm2()->isOpen())
        m_garmin->comm2()->close();

    const auto answer = dialogs().message(kQuestion, kQuestionTitle, zv::Dialogs::Icon::Question,
                                           zv::Dialogs::Buttons::YesNo);
    if (answer != zv::Dialogs::Answer::Yes) {
        // The NMEA output's entry stays chosen.
        m_downloadMode = false;
        return;
    }

    for (QWidget* w : m_patternButtons)
        w->hide();
    if (m_fileT)
        m_fileT->setFocus();
    m_downloadMode = true;
    m_ui.list1->clear();
    m_ui.list1->setToolTip(QStringLiteral("Download"));
    m_ui.file1->setToolTip(QStringLiteral("File-Name"));
    m_ui.downloadC->setEnabled(false);
    if (m_loa)
        m_loa->setToolTip(QStringLiteral("Start Download"));
    m_skip1WasEnabled = m_ui.skip1->isEnabled();
    m_ui.skip1->setEnabled(false);
    m_outIndexBeforeDownload = qMax(0, m_ui.portC->currentIndex());
    if (m_downloadHooks.fillDownloadPortList)
        m_downloadHooks.fillDownloadPortList();
    // A stored index beyond COM16 stays in use but has no entry to show.
    const QSignalBlocker block(m_ui.portC);
    m_ui.portC->setCurrentIndex(m_garminPortIndex >= 0 && m_garminPortIndex < m_ui.portC->count()
                                    ? m_garminPortIndex
                                    : -1);
}

void SimWindow::startDownload()
{
    if (!m_downloadMode || m_garmin->isTransferring())
        return;
    showFolderBrowser(false);
    const QString name = m_fileT ? m_fileT->text() : QString();
    if (name.isEmpty()) {
        dialogs().beep();
        if (m_fileT)
            m_fileT->setFocus();
        return;
    }
    m_ui.ende->setFocus();
    if (m_loa)
        m_loa->setEnabled(false);
    m_ui.gauge2->setValue(0);
    // [Devices] is read afresh, so a changed mapping takes effect without a restart.
    const zv::DeviceOverrides overrides =
        zv::loadDeviceOverrides(QDir(m_homeDir).filePath(QStringLiteral("Zelvan.ini")));
    const auto result = m_garmin->startDownload(m_folder, name, m_garminPortIndex, overrides);
    if (result != garmin::GarminDownload::StartResult::Started) {
        // The port or the file failed (the session said which): try again.
        if (m_loa)
            m_loa->setEnabled(true);
        if (m_fileT)
            m_fileT->setFocus();
    }
}

void SimWindow::downloadFinished(int outcome)
{
    if (m_loa)
        m_loa->setEnabled(true);
    switch (static_cast<Outcome>(outcome)) {
    case Outcome::TransferOk:
        refreshFileList();
        m_ui.list1->setCurrentRow(m_ui.list1->count() - 1);
        setPortListColour(qColor(portListColour()));
        break;
    case Outcome::Timeout: {
        // The list keeps only the serial ports while still in download mode, so
        // the next choice names a port the link can use; olive, as when idle.
        if (m_downloadHooks.fillDownloadPortList)
            m_downloadHooks.fillDownloadPortList();
        setPortListColour(qColor(portListColour()));
        const QSignalBlocker block(m_ui.portC);
        if (m_garminPortIndex >= 0 && m_garminPortIndex < m_ui.portC->count())
            m_ui.portC->setCurrentIndex(m_garminPortIndex);
        refreshFileList();
        break;
    }
    case Outcome::Cancelled:
        refreshFileList();
        break;
    }
}

void SimWindow::leaveDownloadMode()
{
    if (!m_downloadMode)
        return;
    if (m_garmin->isTransferring())
        m_garmin->cancel(); // closes Comm2 itself once the abort command is out
    else if (m_garmin->comm2()->isOpen())
        m_garmin->comm2()->close();
    m_garmin->watchdog()->stop();
    m_downloadMode = false;
    m_ui.gauge2->setValue(0);
    m_ui.list1->setToolTip(kList1ToolTip);
    m_ui.downloadC->setEnabled(true);
    m_ui.skip1->setEnabled(m_skip1WasEnabled);
    if (m_downloadHooks.leaveFilePanel) {
        m_downloadHooks.leaveFilePanel();
    } else {
        for (QWidget* w : m_patternButtons)
            w->show();
        if (m_loa) {
            m_loa->setEnabled(true);
            m_loa->setToolTip(QStringLiteral("Load Fileselection"));
        }
        m_ui.file1->setToolTip(QStringLiteral("Start - Rename/Delete"));
    }
    if (m_downloadHooks.restorePortList)
        m_downloadHooks.restorePortList();
}

bool SimWindow::garminPortSelected(int index)
{
    if (!m_downloadMode || m_garminPortIndex == kIgnoreSelection || index < 0)
        return false;
    m_garminPortIndex = index;
    return true;
}

} // namespace zelvan
