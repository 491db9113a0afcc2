#include "display/targets/targets.h"
#include "display/targets/targets_file.h"
#include "display/trip/trip_state.h"
#include "support/file_size_limit.h"
#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using vur::Position;
using vur::Targets;

namespace {

const QByteArray kHome = "HOME   48\xB0" "05'44.7\"N 011\xB0" "34'12.3\"E";
const QByteArray kWork = "WORK   48\xB0" "08'01.0\"N 011\xB0" "33'59.9\"E";
const QByteArray kCape = "CAPE   33\xB0" "55'12.0\"S 018\xB0" "25'25.5\"E";

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Every line 33 bytes, single-byte degree signs, no UTF-8 and no
// replacement characters.
void expectLatin1TargetsFile(const QByteArray& bytes)
{
    EXPECT_FALSE(bytes.contains("\xC2\xB0"));
    EXPECT_FALSE(bytes.contains("\xEF\xBF\xBD"));
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    QByteArrayList lines = bytes.split('\n');
    lines.removeLast(); // after the last line end
    for (const QByteArray& l : lines) {
        EXPECT_EQ(l.size(), 34) << l.toStdString(); // 33 + CR
        EXPECT_TRUE(l.endsWith('\r'));
        EXPECT_EQ(l.count('\xB0'), 2);
    }
}

double sec(int deg, double min, char hemi)
{
    const double s = deg * 3600.0 + min * 60.0;
    return (hemi == 'S' || hemi == 'W') ? -s : s;
}

struct TargetsFixture : ::testing::Test {
    zvtest::ScriptedDialogs dialogs;
    Targets targets{dialogs};
    QTemporaryDir dir;
    QString file() const { return dir.filePath(QStringLiteral("VUR.wpt")); }
    void loadWith(const QByteArray& bytes)
    {
        writeFile(file(), bytes);
        targets.load(dir.path());
    }
};

using TargetList = TargetsFixture;
using TargetWayReadouts = TargetsFixture;

} // namespace

TEST(TargetsFile, RoundTripIsByteExact)
{
    const QByteArray bytes = kHome + "\r\n" + kWork + "\r\n" + kCape + "\r\n";
    const vur::TargetsFile f = vur::parseTargetsFile(bytes);
    ASSERT_EQ(f.entries.size(), 3);
    EXPECT_EQ(f.entries[0], QStringLiteral("HOME  ") + QString(9, u' ') + QString::fromLatin1(kHome.mid(7)));
    EXPECT_EQ(f.targetLine, QString::fromLatin1(kHome));
    EXPECT_EQ(vur::writeTargetsFile(f.entries), bytes);
    expectLatin1TargetsFile(vur::writeTargetsFile(f.entries));
}

TEST(TargetsFile, ReadsUtf8DegreeSignsAndAnyLineEnd)
{
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8 with CR LF", QString::fromLatin1(kHome + "\r\n" + kWork + "\r\n").toUtf8()},
        {"UTF-8 with LF", QString::fromLatin1(kHome + "\n" + kWork).toUtf8()},
        {"Latin-1 with CR", kHome + "\r" + kWork + "\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const vur::TargetsFile f = vur::parseTargetsFile(c.bytes);
        ASSERT_EQ(f.entries.size(), 2);
        EXPECT_EQ(f.targetLine, QString::fromLatin1(kHome));
        EXPECT_EQ(vur::writeTargetsFile(f.entries), kHome + "\r\n" + kWork + "\r\n");
    }
}

TEST(TargetsFile, EmptyFirstLineIsTheTargetAndIsNoEntry)
{
    const vur::TargetsFile f = vur::parseTargetsFile("\r\n" + kWork + "\r\n\r\n" + kCape + "\r\n");
    EXPECT_EQ(f.targetLine, QString());
    EXPECT_EQ(f.entries.size(), 2);
    EXPECT_EQ(vur::parseTargetsFile(QByteArray()), vur::TargetsFile{});
}

TEST(TargetsFile, StoredPositionSecondsComeFromTheFractionOfTheMinutes)
{
    const struct {
        Position p;
        const char* entryTail;
    } cases[] = {
        // Four-decimal minutes: 4805.7450 N, 01134.2050 E.
        {{sec(48, 5.745, 'N'), sec(11, 34.205, 'E')}, "48\xB0" "05'44.7\"N 011\xB0" "34'12.3\"E"},
        {{sec(48, 7.038, 'N'), sec(11, 31.0, 'E')}, "48\xB0" "07'02.3\"N 011\xB0" "31'00.0\"E"},
        // Rounding up to 60.0 seconds carries into the minutes and degrees.
        {{sec(47, 59.9995, 'N'), sec(0, 0.0001, 'W')}, "48\xB0" "00'00.0\"N 000\xB0" "00'00.0\"W"},
        {{sec(33, 55.2, 'S'), sec(70, 40.25, 'W')}, "33\xB0" "55'12.0\"S 070\xB0" "40'15.0\"W"},
    };
    for (const auto& c : cases) {
        const QString e = vur::positionEntry(QStringLiteral("140509"), c.p);
        EXPECT_EQ(e, QStringLiteral("140509") + QString(9, u' ') + QString::fromLatin1(c.entryTail));
        EXPECT_EQ(vur::targetLineOf(e).size(), 33);
    }
    EXPECT_EQ(vur::timeName(QTime(14, 5, 9)), QStringLiteral("140509"));
    EXPECT_EQ(vur::sixCharacterName(QStringLiteral("AB")), QStringLiteral("AB    "));
    EXPECT_EQ(vur::sixCharacterName(QStringLiteral("LONGNAME")), QStringLiteral("LONGNA"));
}

TEST_F(TargetList, StoringWithoutAPositionBeepsAndStoresNothing)
{
    targets.load(dir.path());
    EXPECT_FALSE(targets.storePosition(std::nullopt, QTime(14, 5, 9)));
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_TRUE(targets.entries().isEmpty());
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(TargetList, StoringAppendsAndRewritesTheFile)
{
    loadWith(kHome + "\r\n");
    ASSERT_TRUE(targets.storePosition(Position{sec(48, 5.745, 'N'), sec(11, 34.205, 'E')}, QTime(14, 5, 9)));
    ASSERT_EQ(targets.entries().size(), 2);
    const QByteArray bytes = readFile(file());
    EXPECT_EQ(bytes, kHome + "\r\n140509 48\xB0" "05'44.7\"N 011\xB0" "34'12.3\"E\r\n");
    expectLatin1TargetsFile(bytes);
}

TEST_F(TargetList, RenameMovesTheEntryAndRenamesTheTargetOnlyWhenChosen)
{
    loadWith(kHome + "\r\n" + kWork + "\r\n" + kCape + "\r\n");
    ASSERT_EQ(targets.targetLine(), QString::fromLatin1(kHome));
    // Renaming another entry leaves the target alone.
    targets.rename(1, QStringLiteral("B\u00fcro"));
    EXPECT_EQ(targets.targetLine(), QString::fromLatin1(kHome));
    EXPECT_EQ(targets.entries().last().left(6), QStringLiteral("B\u00fcro  "));
    EXPECT_EQ(targets.selected(), 1);
    // Renaming the chosen one renames the target.
    targets.rename(0, QStringLiteral("AB"));
    EXPECT_EQ(targets.targetLine(), QStringLiteral("AB    ") + QString::fromLatin1(kHome.mid(6)));
    EXPECT_EQ(targets.entries().last().left(6), QStringLiteral("AB    "));
    // A name beyond Latin-1 cannot go into the 8-bit file: refused, and said.
    const QStringList before = targets.entries();
    targets.rename(0, QStringLiteral("\u0141\u00f3d\u017a"));
    EXPECT_EQ(targets.entries(), before);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Name nicht geändert, nur Latin-1-Zeichen passen in VUR.wpt: "
                                                    "\"\u0141\" und \"\u017a\""));
    const QByteArray bytes = readFile(file());
    expectLatin1TargetsFile(bytes);
    EXPECT_TRUE(bytes.contains("B\xFCro   48\xB0"));
    EXPECT_FALSE(bytes.contains('?'));
    EXPECT_EQ(vur::parseTargetsFile(bytes).entries, targets.entries());
}

TEST_F(TargetList, DeleteMarksTheTargetOnlyWhenChosen)
{
    loadWith(kHome + "\r\n" + kWork + "\r\n");
    targets.choose(1);
    EXPECT_EQ(targets.targetLine(), QString::fromLatin1(kWork));
    targets.remove(0);
    EXPECT_EQ(targets.targetLine(), QString::fromLatin1(kWork));
    targets.remove(0);
    EXPECT_EQ(targets.targetLine(), QStringLiteral("------") + QString::fromLatin1(kWork.mid(6)));
    EXPECT_TRUE(targets.entries().isEmpty());
    EXPECT_EQ(targets.selected(), -1);
    EXPECT_EQ(readFile(file()), QByteArray());
}

TEST_F(TargetList, WriteFailureIsReportedAndTheListKept)
{
    targets.load(dir.filePath(QStringLiteral("missing/folder")));
    ASSERT_TRUE(targets.storePosition(Position{sec(48, 1, 'N'), sec(11, 1, 'E')}, QTime(9, 0, 0)));
    EXPECT_EQ(targets.entries().size(), 1);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("VUR.wpt")));
}

TEST_F(TargetList, ListWidgetFollowsTheModel)
{
    // What the targets tell their front end, as the window would show it.
    struct View : vur::TargetsView {
        QStringList list;
        int selected = -2;
        bool chooser = false;
        void showTargetTexts(const vur::TargetTexts&) override {}
        void showTargetList(const QStringList& entries, int row) override { list = entries, selected = row; }
        void showTargetSelection(int row) override { selected = row; }
        void showTargetPanels(bool chooserShown, bool) override { chooser = chooserShown; }
        void showEditorName(const QString&) override {}
        void wayChanged() override {}
    } view;
    loadWith(kHome + "\r\n" + kWork + "\r\n");
    targets.setView(&view);
    ASSERT_EQ(view.list.size(), 2);
    EXPECT_EQ(view.list[1], targets.entries()[1]);
    targets.dirPMouseDown(true);
    EXPECT_TRUE(targets.chooserShown());
    EXPECT_TRUE(view.chooser);
    targets.choose(1);
    EXPECT_EQ(view.selected, 1);
    EXPECT_FALSE(view.chooser);
    targets.dirPMouseDown(false);
    EXPECT_TRUE(targets.editorShown());
    EXPECT_EQ(targets.editorName(), QStringLiteral("WORK  "));
}

TEST_F(TargetWayReadouts, OwnTargetOnVtg)
{
    loadWith(kWork + "\r\n");
    vur::TripState trip;
    trip.lat0Sec = sec(48, 5.745, 'N');
    trip.lon0Sec = sec(11, 34.205, 'E');
    // From HOME to WORK: about 4.2 km a little west of north.
    targets.onVtg(Position{trip.lat0Sec, trip.lon0Sec}, trip, 90);
    EXPECT_EQ(targets.texts().DIRT, QStringLiteral("WORK  "));
    EXPECT_EQ(targets.texts().DIST, QStringLiteral(" 4.22 km"));
    EXPECT_EQ(targets.texts().TRNE, QStringLiteral("N"));
    ASSERT_TRUE(targets.bearing());
    EXPECT_EQ(*targets.bearing(), 356);
    EXPECT_EQ(*targets.arrowAngle(), 266);
    ASSERT_TRUE(targets.routeMark());
    EXPECT_LT(targets.routeMark()->y(), -4000); // north of the start: negative y
}

TEST_F(TargetWayReadouts, ReceiverDestinationTakesOver)
{
    loadWith(kWork + "\r\n");
    vur::TripState trip;
    trip.lat0Sec = sec(49, 17, 'N');
    trip.lon0Sec = sec(123, 9, 'W');
    targets.onRmb(vur::decodeRmb("$GPRMB,A,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V*20"), trip, 40.0);
    EXPECT_TRUE(targets.rmbActive());
    EXPECT_EQ(targets.texts().DIRT, QStringLiteral("004"));
    EXPECT_EQ(targets.texts().DIST, QStringLiteral(" 2 km"));
    EXPECT_EQ(targets.texts().TRNE, QStringLiteral("NO"));
    EXPECT_DOUBLE_EQ(*targets.arrowAngle(), 12.5);
    EXPECT_NEAR(targets.targetY(), 30 * (-0.24 * 60), 1e-6);
    EXPECT_NEAR(targets.targetX(), 21 * (-0.57 * 60), 1e-6);
    // Own targets are not computed while the receiver navigates.
    targets.onVtg(Position{trip.lat0Sec, trip.lon0Sec}, trip, 0);
    EXPECT_EQ(targets.texts().DIRT, QStringLiteral("004"));
    targets.dirPMouseDown(true);
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_FALSE(targets.chooserShown());
    // An empty destination empties DIRT but keeps the receiver as the source.
    targets.onRmb(vur::decodeRmb("$GPRMB,V,,,,,,,,,,,,A,S*0E"), trip, 40.0);
    EXPECT_EQ(targets.texts().DIRT, QString());
    EXPECT_TRUE(targets.rmbActive());
    EXPECT_FALSE(targets.routeMark());
    targets.resetReceiverDestination();
    targets.onVtg(Position{trip.lat0Sec, trip.lon0Sec}, trip, 0);
    EXPECT_EQ(targets.texts().DIRT, QStringLiteral("WORK  "));
}

TEST_F(TargetList, FullDiskKeepsTheTargetsFileWholeAndSaysSo)
{
    QByteArray old;
    for (int i = 0; i < 40; ++i)
        old += "Ziel " + QByteArray::number(i) + "\r\nN 48 01.000 E 011 01.000\r\n";
    loadWith(old);
    const QByteArray before = readFile(file());
    {
        zvtest::FileSizeLimit full(64);
        ASSERT_TRUE(full.active());
        targets.storePosition(Position{sec(48, 2, 'N'), sec(11, 2, 'E')}, QTime(9, 0, 0));
    }
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(QStringLiteral("Ziele nicht gespeichert: "))) << dialogs.shown[0].text.toStdString();
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("VUR.wpt\nFile too large")));
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("VUR.wpt")});
}
