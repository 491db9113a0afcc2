// Replays the fuzz target of the intake on the real logs and on seeded
// mutations of them, so every build runs it even without libFuzzer.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdint>

namespace vurfuzz {
int runIntake(const uint8_t* data, size_t size);
}

namespace {

int run(const QByteArray& bytes)
{
    return vurfuzz::runIntake(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
}

} // namespace

TEST(FuzzVurIntake, ReplaysRealLogsAndTheirMutationsWithoutFault)
{
    const QDir dir(QStringLiteral(ZV_TEST_DATA_DIR "/vur"));
    const QStringList logs = dir.entryList({QStringLiteral("*.log")}, QDir::Files);
    ASSERT_FALSE(logs.isEmpty());
    QRandomGenerator rng(20261207);
    for (const QString& name : logs) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray original = f.readAll();
        EXPECT_EQ(run(original), 0) << name.toStdString();
        for (int round = 0; round < 40; ++round) {
            QByteArray m = original.mid(rng.bounded(original.size()), 300 + rng.bounded(1200));
            for (int k = 0; k < 20 && !m.isEmpty(); ++k) {
                const int at = rng.bounded(static_cast<int>(m.size()));
                switch (rng.bounded(4)) {
                case 0: m[at] = static_cast<char>(rng.bounded(256)); break;
                case 1: m.insert(at, ",,,*"); break;
                case 2: m.remove(at, 1 + rng.bounded(8)); break;
                default: m.insert(at, QByteArray(rng.bounded(30), '9')); break;
                }
            }
            EXPECT_EQ(run(m), 0) << name.toStdString() << " round " << round;
        }
    }
    EXPECT_EQ(run(QByteArray(10000, '$')), 0);
    EXPECT_EQ(run(QByteArray()), 0);
}
