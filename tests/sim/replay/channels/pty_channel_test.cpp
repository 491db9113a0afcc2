// The virtual serial port with real readers of its link.
#include "test_data.h"

#include "sim/replay/channels/pty_channel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace zelvan;

namespace {

// Opens the link as gpsd or cat would and collects what arrives.
struct LinkReader {
    int fd = -1;
    QByteArray got;
    explicit LinkReader(const QString& path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    }
    ~LinkReader()
    {
        if (fd >= 0)
            ::close(fd);
    }
    void poll()
    {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            got.append(buffer, n);
    }
    bool waitFor(qsizetype size, int ms = 5000)
    {
        return QTest::qWaitFor([&] {
            poll();
            return got.size() >= size;
        }, ms);
    }
};

} // namespace

TEST(PtyChannel, AReaderOfTheLinkGetsExactlyTheSentencesAndTheLinkGoesAtClose)
{
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath(QStringLiteral("ttyZelvan"));
    PtyChannel channel;
    channel.setLinkPath(link);
    QString error;
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), channel.slaveName());

    LinkReader reader(link);
    ASSERT_GE(reader.fd, 0);
    QByteArray all;
    for (const QByteArray& s : channeltest::foretrexSentences()) {
        channel.send(s);
        all += s + "\r\n";
    }
    // Raw: CR LF arrive as sent (a cooked terminal would turn them into LF LF).
    ASSERT_TRUE(reader.waitFor(all.size()));
    QTest::qWait(50);
    reader.poll();
    EXPECT_EQ(reader.got, all);

    // A reader that closes and a second that opens later: the channel goes on.
    ::close(reader.fd);
    reader.fd = -1;
    LinkReader second(link);
    ASSERT_GE(second.fd, 0);
    channel.send("$GPTXT,again");
    ASSERT_TRUE(second.waitFor(14));
    EXPECT_EQ(second.got, QByteArray("$GPTXT,again\r\n"));

    // The last sentence of a run, closed at once: the reader still gets it.
    channel.send("$GPTXT,last");
    channel.close();
    EXPECT_FALSE(QFileInfo(link).exists() || QFileInfo(link).isSymLink());
    second.got.clear();
    EXPECT_TRUE(second.waitFor(13));
    EXPECT_EQ(second.got, QByteArray("$GPTXT,last\r\n"));

    // The next run makes the link again.
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    LinkReader third(link);
    ASSERT_GE(third.fd, 0);
    channel.send("$GPTXT,next");
    ASSERT_TRUE(third.waitFor(13));
    EXPECT_EQ(third.got, QByteArray("$GPTXT,next\r\n"));
}

TEST(PtyChannel, ReplacesAStaleLinkButNeverAUsersFile)
{
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath(QStringLiteral("ttyZelvan"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/pts/nonexistent"), link));
    {
        PtyChannel channel;
        channel.setLinkPath(link);
        QString error;
        ASSERT_TRUE(channel.open(&error)) << error.toStdString();
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), channel.slaveName());
    } // the destructor removes the link
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    {
        QFile file(link);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("user data\n");
    }
    PtyChannel channel;
    channel.setLinkPath(link);
    QString error;
    EXPECT_FALSE(channel.open(&error));
    EXPECT_FALSE(channel.isOpen());
    EXPECT_TRUE(error.contains(link)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("not a symbolic link"))) << error.toStdString();
    QFile file(link);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("user data\n"));
    file.close();

    // A folder that does not exist: a clear error, nothing left open (the
    // terminal was made before the link failed).
    const auto openDescriptors = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); };
    const qsizetype before = openDescriptors();
    channel.setLinkPath(QDir(dir.path()).filePath(QStringLiteral("missing/ttyZelvan")));
    EXPECT_FALSE(channel.open(&error));
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(error.contains(QStringLiteral("missing"))) << error.toStdString();
    EXPECT_FALSE(channel.isOpen());
}

TEST(PtyChannel, WithoutAReaderWritesNeverBlockAndALateReaderGetsOnlyCurrentSentences)
{
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath(QStringLiteral("ttyZelvan"));
    PtyChannel channel;
    channel.setLinkPath(link);
    QString error;
    ASSERT_TRUE(channel.open(&error)) << error.toStdString();
    QSignalSpy failures(&channel, &OutputChannel::failed);

    // 1 MB with nobody reading: far more than the terminal holds. A blocking
    // write would hang here.
    const QByteArray sentence = "$GPGGA,120000.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    for (int i = 0; i < 1024 * 1024 / (sentence.size() + 2); ++i)
        channel.send(sentence);
    EXPECT_GT(channel.droppedBytes(), 0);

    // A reader that opens after the backlog went stale sees the current
    // sentence first, not a megabyte-old one.
    QTest::qWait(int(PtyChannel::kStaleMs) + 100);
    channel.send("$GPTXT,now");
    LinkReader reader(link);
    ASSERT_GE(reader.fd, 0);
    channel.send("$GPTXT,next");
    ASSERT_TRUE(reader.waitFor(12 + 13));
    QTest::qWait(50);
    reader.poll();
    EXPECT_EQ(reader.got, QByteArray("$GPTXT,now\r\n$GPTXT,next\r\n"));
    EXPECT_TRUE(failures.isEmpty());
}
