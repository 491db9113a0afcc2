#pragma once
// The targets subsystem: the list GotoL kept in "VUR.wpt", the chosen own
// target, and the way to the destination (own target or the receiver's
// RMB destination) shown in DIRT, DIST, TRNE and the arrow in DirP.
#include "display/decode/rmb_vtg.h"
#include "display/targets/target_geometry.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace zv { class Dialogs; }

namespace vur {

struct TripState;

struct TargetTexts {
    QString DIRT, DIST, TRNE;
    bool operator==(const TargetTexts&) const = default;
};

// The front end of the targets.
class TargetsView {
public:
    virtual ~TargetsView() = default;
    // DIRT, DIST and TRNE.
    virtual void showTargetTexts(const TargetTexts& texts) = 0;
    // The list GotoL and its selected row (-1: none).
    virtual void showTargetList(const QStringList& entries, int selected) = 0;
    virtual void showTargetSelection(int selected) = 0;
    // The chooser (the list and "store position", in place of TRNE) and the
    // editor (name field, OK, delete).
    virtual void showTargetPanels(bool chooserShown, bool editorShown) = 0;
    virtual void showEditorName(const QString& name) = 0;
    // The arrow and the destination mark on the route are to be drawn again.
    virtual void wayChanged() = 0;
};

class Targets {
public:
    static constexpr const char* kFileName = "VUR.wpt";

    explicit Targets(zv::Dialogs& dialogs);
    // Shows the current list, texts and panels at once; null: shown nowhere.
    void setView(TargetsView* view);

    // Form_Load: reads dir/VUR.wpt when it exists; the folder is kept for rewrites.
    void load(const QString& dir);

    const QStringList& entries() const { return m_entries; }
    const QString& targetLine() const { return m_targetLine; }
    int selected() const { return m_selected; }
    void select(int index);

    // DirP_MouseDown.
    void dirPMouseDown(bool leftButton);
    bool chooserShown() const { return m_chooserShown; }
    bool editorShown() const { return m_editorShown; }
    QString editorName() const { return m_editorName; }

    // GotoL_MouseDown: the selected entry becomes the target.
    void choose(int index);
    // GotoSave_Click: appends the current position named after the local
    // time; with no position yet it beeps and stores nothing.
    bool storePosition(const std::optional<Position>& current, const QTime& localTime);
    // GotoO_Click: the entry gets the new name and moves to the end. A name
    // with characters beyond Latin-1 is refused with a message.
    void rename(int index, const QString& typedName);
    // GotoE_Click.
    void remove(int index);

    // RMB decoder (only while satellites are in use).
    void onRmb(const RmbData& rmb, const TripState& trip, double courseDeg);
    // VTG decoder: the own target's way, unless the receiver names one or
    // no position is known yet.
    void onVtg(const std::optional<Position>& current, const TripState& trip, int courseInt);
    // ResetTrip: own targets are computed again.
    void resetReceiverDestination() { m_rmbActive = false; }

    bool rmbActive() const { return m_rmbActive; }
    const TargetTexts& texts() const { return m_texts; }
    std::optional<double> arrowAngle() const { return m_arrow; }
    std::optional<double> bearing() const { return m_bearing; }
    double targetX() const { return m_targetX; }
    double targetY() const { return m_targetY; }
    // The destination mark on the route view: when DIRT names one and
    // targetY is not 0.
    std::optional<QPointF> routeMark() const;

private:
    bool isChosen(int index) const;
    bool writeFile();
    void syncList();
    void showTexts();
    void showPanels();

    zv::Dialogs& m_dialogs;
    TargetsView* m_view = nullptr;
    QString m_dir;
    QStringList m_entries;
    QString m_targetLine;
    int m_selected = -1;
    bool m_chooserShown = false;
    bool m_editorShown = false;
    QString m_editorName;

    bool m_rmbActive = false;
    double m_targetX = 0.0, m_targetY = 0.0;
    std::optional<double> m_bearing;
    std::optional<double> m_arrow;
    TargetTexts m_texts;
};

} // namespace vur
