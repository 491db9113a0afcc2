#include "display/targets/targets.h"

#include "common/dialogs.h"
#include "common/number_text.h"
#include "common/save_file.h"
#include "common/text_lines.h"
#include "display/targets/targets_file.h"
#include "display/trip/trip_state.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cmath>

namespace vur {
namespace {

// A targets file is a few kilobytes; a huge file is not one of ours.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

} // namespace

Targets::Targets(zv::Dialogs& dialogs)
    : m_dialogs(dialogs)
{
}

void Targets::setView(TargetsView* view)
{
    m_view = view;
    syncList();
    showTexts();
    showPanels();
}

void Targets::load(const QString& dir)
{
    m_dir = dir;
    QFile file(QDir(dir).filePath(QString::fromLatin1(kFileName)));
    if (file.exists() && file.open(QIODevice::ReadOnly) && file.size() <= kMaxFileBytes) {
        const TargetsFile f = parseTargetsFile(file.readAll());
        m_entries = f.entries;
        m_targetLine = f.targetLine;
    }
    m_selected = -1;
    syncList();
}

void Targets::select(int index)
{
    m_selected = (index >= 0 && index < m_entries.size()) ? index : -1;
    if (m_view)
        m_view->showTargetSelection(m_selected);
}

void Targets::dirPMouseDown(bool leftButton)
{
    if (m_rmbActive) {
        m_dialogs.beep();
        return;
    }
    if (leftButton) {
        if (!m_editorShown)
            m_chooserShown = true;
    } else if (m_selected >= 0) {
        m_editorShown = true;
        m_editorName = m_entries[m_selected].left(6);
        if (m_view)
            m_view->showEditorName(m_editorName);
    }
    showPanels();
}

void Targets::choose(int index)
{
    select(index);
    if (m_selected >= 0)
        m_targetLine = targetLineOf(m_entries[m_selected]);
    m_chooserShown = false;
    showPanels();
}

bool Targets::storePosition(const std::optional<Position>& current, const QTime& localTime)
{
    if (!current) {
        m_dialogs.beep();
        return false;
    }
    m_entries.append(positionEntry(timeName(localTime), *current));
    syncList();
    writeFile();
    m_chooserShown = false;
    showPanels();
    return true;
}

bool Targets::isChosen(int index) const
{
    return index >= 0 && index < m_entries.size() && targetLineOf(m_entries[index]) == m_targetLine;
}

void Targets::rename(int index, const QString& typedName)
{
    // VUR.wpt is 8-bit: a name it cannot hold is refused, not stored with
    // "?" in it; the editor stays open for another try.
    const QString beyond = zv::charactersBeyondLatin1(typedName.left(6), QStringLiteral("und"));
    if (!beyond.isEmpty()) {
        m_dialogs.message(QStringLiteral("Name nicht geändert, nur Latin-1-Zeichen passen in VUR.wpt: ") + beyond,
                          QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
        return;
    }
    m_editorShown = false;
    if (index < 0 || index >= m_entries.size()) {
        showPanels();
        return;
    }
    const bool chosen = isChosen(index);
    const QString entry = m_entries.takeAt(index);
    const QString name = sixCharacterName(typedName);
    m_entries.append(name + entry.mid(6));
    if (chosen)
        m_targetLine = name + m_targetLine.mid(6);
    syncList();
    writeFile();
    select(index);
    m_chooserShown = false;
    showPanels();
}

void Targets::remove(int index)
{
    m_editorShown = false;
    if (index >= 0 && index < m_entries.size()) {
        if (isChosen(index))
            m_targetLine = QStringLiteral("------") + m_targetLine.mid(6);
        m_entries.removeAt(index);
        syncList();
        writeFile();
    }
    select(-1);
    m_chooserShown = false;
    showPanels();
}

bool Targets::writeFile()
{
    const QString path = QDir(m_dir.isEmpty() ? QStringLiteral(".") : m_dir).filePath(QString::fromLatin1(kFileName));
    QSaveFile file(path);
    const QByteArray bytes = writeTargetsFile(m_entries);
    QString error;
    errno = 0;
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) {
        if (zv::commitSaveFile(file, &error))
            return true;
    } else {
        error = zv::writeErrorText(file, errno);
        file.cancelWriting();
    }
    m_dialogs.message(QStringLiteral("Ziele nicht gespeichert: ") + path + QLatin1Char('\n') + error,
                      QStringLiteral("Vur"), zv::Dialogs::Icon::Warning);
    return false;
}

void Targets::onRmb(const RmbData& rmb, const TripState& trip, double courseDeg)
{
    m_texts.DIRT = rmb.destination;
    if (!rmb.destination.isEmpty()) {
        m_rmbActive = true;
        if (rmb.latSec && rmb.lonSec) {
            m_targetY = 30.0 * (trip.lat0Sec - *rmb.latSec);
            m_targetX = 21.0 * (*rmb.lonSec - trip.lon0Sec);
        }
        m_texts.DIST = zv::plainNumberText(std::floor(rmb.rangeNm * 1.852 + 0.5)) + QStringLiteral(" km");
        m_bearing = rmb.bearingDeg;
        m_texts.TRNE = compassLetters(rmb.bearingDeg);
        m_arrow = receiverRelative(rmb.bearingDeg, courseDeg);
        if (m_view)
            m_view->wayChanged();
    }
    showTexts();
}

void Targets::onVtg(const std::optional<Position>& current, const TripState& trip, int courseInt)
{
    // Without a position of our own there is no way to show.
    if (m_rmbActive || !current)
        return;
    const Position target = targetLinePosition(m_targetLine);
    m_targetY = 30.0 * (trip.lat0Sec - target.latSec);
    m_targetX = 21.0 * (target.lonSec - trip.lon0Sec);
    const OwnTargetWay way = ownTargetWay(target, *current);
    if (way.bearing)
        m_bearing = way.bearing;
    m_texts.DIRT = m_targetLine.left(6);
    m_texts.DIST = targetDistanceText(way.distance);
    const double bearing = m_bearing.value_or(0.0);
    m_texts.TRNE = compassLetters(bearing);
    m_arrow = relativeToCourse(bearing, courseInt);
    showTexts();
    if (m_view)
        m_view->wayChanged();
}

std::optional<QPointF> Targets::routeMark() const
{
    if (m_texts.DIRT.isEmpty() || m_targetY == 0.0)
        return std::nullopt;
    return QPointF(m_targetX, m_targetY);
}

void Targets::syncList()
{
    if (m_view)
        m_view->showTargetList(m_entries, m_selected);
}

void Targets::showTexts()
{
    if (m_view)
        m_view->showTargetTexts(m_texts);
}

void Targets::showPanels()
{
    if (m_view)
        m_view->showTargetPanels(m_chooserShown, m_editorShown);
}

} // namespace vur
