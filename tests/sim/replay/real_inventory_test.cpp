// Every real file of tests/data/real, loaded in the window as a user would
// (by path) and replayed to its end: the valid RMC positions that go out are
// held against an independent reading of the same file (GPSBabel's
// conversion to GPX, or a reading of the test's own for the layouts GPSBabel
// no longer reads); files that are refused must say why.
#include "replay_harness.h"

#include "common/nmea.h"
#include "common/number_text.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <cmath>
#include <iostream>

using zvtest::ReplayHarness;

namespace {

struct Point {
    double lat = 0;
    double lon = 0;
};

enum class Outcome { Replays, Refused };

struct Expectation {
    const char* file;       // below tests/data/real
    Outcome outcome;
    const char* babel;      // GPSBabel's input format and options; null: the test's own reading
    const char* refusal;    // Refused: a text the user is shown
    double zelvanInReference; // share of the replayed positions the reference also holds
    double referenceReplayed; // share of the reference's points that are replayed
    const char* why;        // where the two differ, in a few words
};

// Minutes with three decimals in composed sentences: 1/2000 minute, plus a little.
constexpr double kTolerance = 0.0005 / 60 + 1e-9;

// Where the replay differs from a plain reading by its own rules.
constexpr const char* kBeforeFirstRmc = "a log replays from its first RMC; the reference also has the epoch before it";

const Expectation kFiles[] = {
    // KML and GPX-like tracks, converted or read line by line.
    {"kml/gk_KML_Samples.kml", Outcome::Replays, "kml", nullptr, 1, 0.27,
     "GPSBabel also takes Polygon outlines for tracks; the replay takes the LineStrings"},
    {"kml/gk_catalina-linestring.kml", Outcome::Replays, "kml", nullptr, 1, 1, ""},
    {"kml/gpsbabel_GPSData000001-A810-Doriel.kml", Outcome::Replays, "kml", nullptr, 1, 1, ""},
    {"kml/gpsbabel_opentracks.kml", Outcome::Replays, "kml", nullptr, 1, 1, ""},
    {"kml/gpsbabel_skydrop.kml", Outcome::Replays, "kml", nullptr, 1, 1, ""},
    {"kml/ol_states.kml", Outcome::Refused, "kml", "No track points", 0, 0, "outlines of states, no track"},
    {"kml/viking_Stonehenge.kml", Outcome::Replays, "kml", nullptr, 1, 1, ""},
    {"other/ol_rbx13-route.kml", Outcome::Replays, "kml", nullptr, 1, 1, ""},
    // Receiver logs, passed on epoch by epoch.
    {"nmea/gpsbabel_nmea+ms.txt", Outcome::Replays, "nmea", nullptr, 0.86, 1,
     "the log's times go back now and then; GPSBabel leaves those fixes out"},
    {"nmea/gpsbabel_nmeadatetime.nmea", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/gpsd_GPSmap-76S.log", Outcome::Replays, "nmea,ignore_fix=1,date=20110101", nullptr, 1, 1,
     "a receiver in simulator mode: every fix void"},
    {"nmea/gpsd_beidou-bd.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/gpsd_bu353-glonass.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/gpsd_foretrex-201.log", Outcome::Replays, "nmea", nullptr, 0.85, 1, "GPSBabel has no point for the first RMC"},
    {"nmea/gpsd_garmin-geko201.log", Outcome::Replays, "nmea,ignore_fix=1,date=20110101", nullptr, 1, 1,
     "a receiver in simulator mode: every fix void"},
    {"nmea/gpsd_gp-320fw-2019-04-07-coldboot.log", Outcome::Replays, "nmea", nullptr, 0.04, 1,
     "GPSBabel drops the sentences with bad checksums; the replay passes the receiver's lines on unchanged, "
     "and the RMC after a sentence cut short on the same line"},
    {"nmea/gpsd_hemi.log", Outcome::Replays, "nmea", nullptr, 1, 0.95, kBeforeFirstRmc},
    {"nmea/gpsd_humminbird-M37.log", Outcome::Replays, "nmea,gpgga=0", nullptr, 1, 1,
     "GPSBabel, reading GGA too, mixes in positions of other times"},
    {"nmea/gpsd_magellan-ec10.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/gpsd_mtk-3301.log", Outcome::Replays, "nmea", nullptr, 0.36, 1,
     "void fixes (89 deg 60 min placeholders) pass on unchanged; GPSBabel keeps valid fixes only"},
    {"nmea/gpsd_neo-m8n.log", Outcome::Replays, "nmea", nullptr, 1, 0.95, kBeforeFirstRmc},
    {"nmea/gpsd_nmea-fuzzy-cases.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/gpsd_quectel-eg25-g-2.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/gpsd_skytraq-PX1172RH_DS.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"nmea/signalk_gofree-merrimac.log", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"other/gpsbabel_amod-nmea", Outcome::Replays, "nmea", nullptr, 1, 1, ""},
    {"other/gpsbabel_nmea_utf16_dos", Outcome::Replays, "nmea", nullptr, 1, 1, "UTF-16, read through a companion"},
    // Fixed-column and field layouts.
    {"other/gpsbabel_expertgps.g7t", Outcome::Refused, nullptr, "No positions in degrees",
     0, 0, "G7ToWin in UTM coordinates"},
    {"ozi/gpsbabel_20070813_short.plt", Outcome::Replays, "ozi", nullptr, 1, 1, ""},
    {"ozi/gpsbabel_ozitracks~gpx.plt", Outcome::Replays, "ozi", nullptr, 1, 1, ""},
    {"pcx/gpsbabel_pcx.trk", Outcome::Replays, nullptr, nullptr, 1, 1, ""},
};

QString realPath(const QString& relative)
{
    return QStringLiteral(ZV_TEST_DATA_DIR "/real/") + relative;
}

double degrees(const QByteArray& value, const QByteArray& hemisphere)
{
    const double v = zv::leadingNumber(value);
    const double whole = std::floor(v / 100);
    const double d = whole + (v - whole * 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -d : d;
}

struct Replayed {
    bool loaded = false;
    QList<Point> positions; // of the valid RMC sentences sent, in order
    QStringList said;       // dialogs and List1 lines
    qsizetype sentences = 0;
};

Replayed replayReal(const QString& relative)
{
    ReplayHarness h;
    Replayed r;
    const QString copy = QDir(h.window->trackFolder()).filePath(QFileInfo(relative).fileName());
    QFile::copy(realPath(relative), copy);
    h.window->loadFile(copy);
    r.loaded = h.state().replayActive;
    h.runToEnd(500000);
    for (const auto& shown : h.dialogs.shown)
        r.said << shown.text;
    r.said << h.list1();
    r.sentences = h.channel.sent.size();
    for (const QByteArray& sent : h.channel.sent) {
        // Any status: a receiver in simulator mode marks its positions void.
        const QByteArray s = sent.trimmed();
        if (s.size() < 7 || s.mid(3, 3) != "RMC" || zv::sentenceField(s, 3).isEmpty())
            continue;
        r.positions.append({degrees(zv::sentenceField(s, 3), zv::sentenceField(s, 4)),
                            degrees(zv::sentenceField(s, 5), zv::sentenceField(s, 6))});
    }
    return r;
}

QList<Point> gpxPoints(const QString& path)
{
    QList<Point> points;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return points;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement
            && (xml.name() == QLatin1String("trkpt") || xml.name() == QLatin1String("rtept")))
            points.append({xml.attributes().value(QStringLiteral("lat")).toDouble(),
                           xml.attributes().value(QStringLiteral("lon")).toDouble()});
    }
    return points;
}

QList<Point> gpsbabelPoints(const QString& relative, const QString& format, const QTemporaryDir& dir)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    EXPECT_FALSE(exe.isEmpty()) << "gpsbabel is needed (make deps installs it)";
    const QString out = dir.filePath(QStringLiteral("babel.gpx"));
    QProcess babel;
    babel.start(exe, {"-t", "-r", "-i", format, "-f", realPath(relative), "-o", "gpx", "-F", out});
    EXPECT_TRUE(babel.waitForFinished(60000));
    return gpxPoints(out);
}

// The layouts GPSBabel 1.8 no longer reads: PCX5 "T" lines with hemisphere
// letters and degrees-minutes; the G7ToWin file here holds UTM only.
QList<Point> ownReading(const QString& relative)
{
    QList<Point> points;
    QFile f(realPath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return points;
    static const QRegularExpression t(QStringLiteral("^T  ([NS])(\\d\\d)(\\d\\d\\.\\d+) ([EW])(\\d\\d\\d)(\\d\\d\\.\\d+) "));
    for (const QByteArray& line : zv::splitTextLines(f.readAll())) {
        const auto m = t.match(QString::fromLatin1(line));
        if (!m.hasMatch())
            continue;
        Point p{m.captured(2).toDouble() + m.captured(3).toDouble() / 60,
                m.captured(5).toDouble() + m.captured(6).toDouble() / 60};
        if (m.captured(1) == u'S')
            p.lat = -p.lat;
        if (m.captured(4) == u'W')
            p.lon = -p.lon;
        points.append(p);
    }
    return points;
}

bool near(const Point& a, const Point& b)
{
    return std::abs(a.lat - b.lat) <= kTolerance && std::abs(a.lon - b.lon) <= kTolerance;
}

// How many of `a` are found, in order, in `b` (each point of b used once).
qsizetype matchedInOrder(const QList<Point>& a, const QList<Point>& b)
{
    qsizetype found = 0, from = 0;
    for (const Point& p : a) {
        for (qsizetype j = from; j < b.size(); ++j) {
            if (near(p, b[j])) {
                ++found;
                from = j + 1;
                break;
            }
        }
    }
    return found;
}

double share(qsizetype part, qsizetype whole)
{
    return whole == 0 ? 1.0 : double(part) / double(whole);
}

} // namespace

TEST(RealInventory, EveryRealFileReplaysAsItsReferenceReadsOrIsRefusedWithAReason)
{
    QStringList listed;
    for (QDirIterator it(realPath({}), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (!path.endsWith(QLatin1String("SOURCES.md")))
            listed << QDir(realPath({})).relativeFilePath(path);
    }
    QStringList tabled;
    for (const Expectation& e : kFiles)
        tabled << QString::fromLatin1(e.file);
    listed.sort();
    tabled.sort();
    EXPECT_EQ(listed, tabled) << "every real file has its line in the table";

    for (const Expectation& e : kFiles) {
        SCOPED_TRACE(e.file);
        const QString file = QString::fromLatin1(e.file);
        const Replayed r = replayReal(file);
        QTemporaryDir dir;
        const QList<Point> reference = e.babel ? gpsbabelPoints(file, QString::fromLatin1(e.babel), dir) : ownReading(file);
        const qsizetype inReference = matchedInOrder(r.positions, reference);
        const qsizetype replayed = matchedInOrder(reference, r.positions);
        std::cout << "  " << e.file << ": " << (r.loaded ? "replays" : "refused") << ", " << r.positions.size()
                  << " positions, reference " << reference.size() << ", matched " << inReference << "/" << replayed
                  << (r.loaded ? "" : " -- " + r.said.join(QStringLiteral(" | ")).left(160).toStdString()) << "\n";
        if (qEnvironmentVariableIsSet("ZV_INVENTORY_DEBUG")) {
            auto show = [](const char* what, const QList<Point>& pts) {
                std::cout << "    " << what << ":";
                for (qsizetype i = 0; i < pts.size() && i < 3; ++i)
                    std::cout << " " << pts[i].lat << "," << pts[i].lon;
                if (pts.size() > 3)
                    std::cout << " ... " << pts.last().lat << "," << pts.last().lon;
                std::cout << "\n";
            };
            show("zelvan", r.positions);
            show("reference", reference);
        }
        if (e.outcome == Outcome::Refused) {
            EXPECT_FALSE(r.loaded);
            EXPECT_TRUE(r.positions.isEmpty());
            EXPECT_TRUE(r.said.join(u'\n').contains(QString::fromUtf8(e.refusal))) << r.said.join(u'\n').toStdString();
            continue;
        }
        EXPECT_TRUE(r.loaded);
        EXPECT_GE(share(inReference, r.positions.size()), e.zelvanInReference) << e.why;
        EXPECT_GE(share(replayed, reference.size()), e.referenceReplayed) << e.why;
        EXPECT_FALSE(r.positions.isEmpty());
    }
}
