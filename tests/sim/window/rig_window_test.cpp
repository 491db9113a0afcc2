// The rig from the window: RigC's dialog sets live time and faults, the
// engine gets them, every replay's sentences and the clock read-outs carry
// them, the faults are listed, and a wrong text is refused with its message.
#include "sim/replay/replay_harness.h"

#include "common/nmea.h"
#include "sim/window/rig_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace zelvan;
using zvtest::ReplayHarness;

namespace {

QList<QByteArray> rmcs(const QList<QByteArray>& sent)
{
    QList<QByteArray> out;
    for (const QByteArray& s : sent)
        if (zv::isSentence(s, "RMC"))
            out << s;
    return out;
}

} // namespace

TEST(RigWindow, TheDialogSetsTheRigOfEveryReplay)
{
    ReplayHarness h;
    auto* rigC = h.window->findChild<QPushButton*>(QStringLiteral("RigC"));
    auto* dialog = h.window->findChild<RigDialog*>(QStringLiteral("RigDialog"));
    ASSERT_TRUE(rigC && dialog);
    EXPECT_EQ(rigC->text(), QStringLiteral("Rig..."));
    auto* faults = dialog->findChild<QLineEdit*>(QStringLiteral("RigFaults"));
    auto* seed = dialog->findChild<QLineEdit*>(QStringLiteral("RigSeed"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("RigButtons"));
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    auto choose = [&](const QString& faultsText) {
        rigC->click();
        EXPECT_TRUE(dialog->isVisible());
        faults->setText(faultsText);
        ok->click();
    };

    // A wrong faults text is refused with the parser's message beside it.
    rigC->click();
    dialog->findChild<QRadioButton*>(QStringLiteral("RigTime(2)"))->click();
    dialog->findChild<QLineEdit*>(QStringLiteral("RigStart"))->setText(QStringLiteral("2025-05-01T12:00:00Z"));
    faults->setText(QStringLiteral("drop=2"));
    ok->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("RigFaultsError"))->text(),
              QStringLiteral("drop: \"2\" is no rate (0..1 or 0%..100%)"));
    EXPECT_EQ(h.window->sink().rig(), nullptr);

    faults->setText(QStringLiteral("checksum=1"));
    seed->setText(QStringLiteral("7"));
    ok->click();
    EXPECT_FALSE(dialog->isVisible());
    RigOptions expected;
    expected.time = {TimeMode::Start,
                     QDateTime::fromString(QStringLiteral("2025-05-01T12:00:00Z"), Qt::ISODate).toMSecsSinceEpoch()};
    expected.faults = parseFaultPlan(QStringLiteral("checksum=1"));
    expected.seed = 7;
    ASSERT_NE(h.window->sink().rig(), nullptr);
    EXPECT_EQ(h.window->sink().rig()->options(), expected);
    EXPECT_EQ(rigC->text(), QStringLiteral("Rig: 2025-05-01, faults"));
    EXPECT_TRUE(rigC->toolTip().contains(QStringLiteral("--time 2025-05-01T12:00:00Z --faults checksum=1 --seed 7")));

    // Every replay starts at the chosen instant, and List1 names each fault.
    for (const char* file : {"replay/gpsd_neo-m8n.log", "replay/gpsd_mtk-3301.log"}) {
        SCOPED_TRACE(file);
        h.channel.sent.clear();
        ASSERT_TRUE(h.loadData(QString::fromLatin1(file)));
        h.runTick();
        const QList<QByteArray> sentRmcs = rmcs(h.channel.sent);
        ASSERT_FALSE(sentRmcs.isEmpty());
        EXPECT_EQ(zv::sentenceField(sentRmcs[0], 1).left(6), "120000");
        EXPECT_EQ(zv::sentenceField(sentRmcs[0], 9), "010525");
        EXPECT_FALSE(zv::hasValidChecksum(sentRmcs[0]));
        // The read-outs show the time the sentences carry.
        EXPECT_TRUE(h.ui().datum->text().startsWith(QStringLiteral("2025"))) << h.ui().datum->text().toStdString();
        const QStringList listed = h.list1();
        const qsizetype at = listed.indexOf(QString::fromLatin1(sentRmcs[0]));
        ASSERT_GT(at, 0);
        EXPECT_TRUE(listed[at - 1].startsWith(QStringLiteral("fault epoch 1 +0.0 s: checksum *"))) << listed[at - 1].toStdString();
        h.loader().stopReplay(StopByUser);
    }
    EXPECT_TRUE(rigC->toolTip().contains(QStringLiteral(" faults injected since the start")));

    // Epochs held back are not lost when the rig is taken away mid-replay.
    choose(QStringLiteral("latency=1:1h"));
    h.channel.sent.clear();
    ASSERT_TRUE(h.loadData(QStringLiteral("replay/gpsd_neo-m8n.log")));
    for (int n = 0; n < 3; ++n)
        h.runTick();
    EXPECT_TRUE(rmcs(h.channel.sent).isEmpty());
    rigC->click();
    dialog->findChild<QPushButton*>(QStringLiteral("RigOff"))->click();
    ok->click();
    EXPECT_EQ(h.window->sink().rig(), nullptr);
    EXPECT_EQ(rmcs(h.channel.sent).size(), 3);
    EXPECT_EQ(rigC->text(), QStringLiteral("Rig..."));
}
