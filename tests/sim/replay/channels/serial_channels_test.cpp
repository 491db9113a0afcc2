// Serial, port-write and printer channels against real devices: a socat
// pseudo-terminal pair stands in for the serial line, a file for the printer.
#include "channel_peers.h"
#include "support/scripted_dialogs.h"
#include "test_data.h"

#include "sim/replay/channels/output_port.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

using namespace zelvan;
using channeltest::PtyPair;
using channeltest::SerialReader;

namespace {

void writeIni(const QString& home, const QByteArray& text)
{
    QFile ini(zelvanIniPath(home));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(text);
}

QByteArray framed(const QByteArrayList& sentences)
{
    QByteArray out;
    for (const QByteArray& s : sentences)
        out += s + "\r\n";
    return out;
}

} // namespace

TEST(SerialChannel, SendsEverySentenceWithCrLfInOrderAt4800Baud)
{
    QTemporaryDir home;
    PtyPair pty;
    ASSERT_TRUE(pty.start(home.path()));
    writeIni(home.path(), "[Devices]\r\nCOM3=" + pty.a.toLocal8Bit() + "\r\n");
    zvtest::ScriptedDialogs dialogs;
    OutputPort output(home.path(), &dialogs);
    output.selectOutputPort(2); // the third COM entry
    EXPECT_EQ(output.serial()->portNumber(), 3);
    EXPECT_EQ(output.serialSettings(), QStringLiteral("4800,n,8,1"));

    SerialReader reader;
    ASSERT_TRUE(reader.open(pty.b));
    output.startOutput();
    ASSERT_TRUE(output.serial()->isOpen()) << dialogs.shown.value(0).text.toStdString();
    EXPECT_EQ(output.serial()->devicePath(), pty.a);

    const QByteArrayList sentences = channeltest::foretrexSentences();
    ASSERT_GT(sentences.size(), 100);
    for (QByteArray s : sentences) {
        const QByteArray before = s;
        output.sendSentence(s);
        EXPECT_EQ(s, before + "\r\n"); // the caller's text gets the line end
    }
    const QByteArray expected = framed(sentences);
    ASSERT_TRUE(reader.waitFor(expected.size()));
    EXPECT_EQ(reader.bytes, expected);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    output.stopOutput();
    EXPECT_FALSE(output.serial()->isOpen());
    QByteArray dropped("$GPTXT,closed");
    output.sendSentence(dropped); // a closed port drops without a message
    QTest::qWait(100);
    EXPECT_EQ(reader.bytes, expected);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(SerialChannel, SpeedChangeReopensAnOpenPortAndOnlyStoresWhileClosed)
{
    QTemporaryDir home;
    PtyPair pty;
    ASSERT_TRUE(pty.start(home.path()));
    writeIni(home.path(), "[Devices]\nCOM1=" + pty.a.toLocal8Bit() + "\n");
    OutputPort output(home.path(), nullptr);
    output.setOutPortIndex(0);

    output.pspeedClicked(1);
    EXPECT_FALSE(output.serial()->isOpen());
    EXPECT_EQ(output.serialSettings(), QStringLiteral("9600,n,8,1"));

    output.startOutput();
    ASSERT_TRUE(output.serial()->isOpen());
    output.pspeedClicked(0);
    EXPECT_TRUE(output.serial()->isOpen());
    EXPECT_EQ(output.serialSettings(), QStringLiteral("4800,n,8,1"));
    EXPECT_EQ(output.serial()->parsedSettings().baud, 4800);

    SerialReader reader;
    ASSERT_TRUE(reader.open(pty.b));
    QByteArray s("$GPTXT,01,01,01,after reopen*00");
    output.sendSentence(s);
    ASSERT_TRUE(reader.waitFor(s.size()));
    EXPECT_EQ(reader.bytes, s);
}

TEST(SerialChannel, ChoosingAnotherPortClosesTheOpenOne)
{
    QTemporaryDir home;
    PtyPair pty;
    ASSERT_TRUE(pty.start(home.path()));
    writeIni(home.path(), "[Devices]\nCOM2=" + pty.a.toLocal8Bit() + "\n");
    OutputPort output(home.path(), nullptr);
    output.setOutPortIndex(1);
    output.startOutput();
    ASSERT_TRUE(output.serial()->isOpen());
    output.selectOutputPort(23);
    EXPECT_FALSE(output.serial()->isOpen());
    EXPECT_EQ(output.selectedKind(), ChannelKind::Tcp);
}

TEST(OutputPort, DeviceThatCannotBeOpenedIsReportedOncePerStart)
{
    const struct {
        int index;
        const char* port;
        const char* key;
    } cases[] = {
        {4, "COM5", "COM5"},
        {17, "Port2", "COM2"},
        {21, "LPT2", "LPT2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        QTemporaryDir home;
        const QString missing = home.filePath(QStringLiteral("no-such-dir/device"));
        writeIni(home.path(), QByteArray("[Devices]\n") + c.key + "=" + missing.toLocal8Bit() + "\n");
        zvtest::ScriptedDialogs dialogs;
        OutputPort output(home.path(), &dialogs);
        output.setOutPortIndex(c.index);
        for (int start = 1; start <= 2; ++start) {
            output.startOutput();
            for (int i = 0; i < 5; ++i) {
                QByteArray s("$GPTXT,lost");
                output.sendSentence(s);
            }
            output.stopOutput();
            ASSERT_EQ(dialogs.shown.size(), start);
            const auto& box = dialogs.shown.last();
            EXPECT_EQ(box.title, QStringLiteral("Error!"));
            EXPECT_TRUE(box.text.startsWith(QString::fromLatin1(c.port))) << box.text.toStdString();
            EXPECT_TRUE(box.text.contains(missing)) << box.text.toStdString();
            EXPECT_EQ(box.icon, zv::Dialogs::Icon::Warning);
        }
    }
}

TEST(PortWriteChannel, WritesTheBytesOneByOneTwoMillisecondsApart)
{
    QTemporaryDir home;
    PtyPair pty;
    ASSERT_TRUE(pty.start(home.path()));
    writeIni(home.path(), "[Devices]\nCOM4=" + pty.a.toLocal8Bit() + "\n");
    OutputPort output(home.path(), nullptr);
    output.setOutPortIndex(19); // Port4 -> COM4's device
    SerialReader reader;
    ASSERT_TRUE(reader.open(pty.b));
    output.startOutput();
    auto* channel = qobject_cast<PortWriteChannel*>(output.activeChannel());
    ASSERT_NE(channel, nullptr);
    ASSERT_TRUE(channel->isOpen());

    const QByteArrayList sentences = channeltest::foretrexSentences().mid(12, 3);
    QElapsedTimer clock;
    clock.start();
    for (QByteArray s : sentences)
        output.sendSentence(s); // returns at once: the pause is a timer, not a sleep
    EXPECT_LT(clock.elapsed(), 20);
    const QByteArray expected = framed(sentences);
    EXPECT_EQ(channel->pendingBytes(), expected.size() - 1); // the first byte went at once
    ASSERT_TRUE(reader.waitFor(expected.size(), 10000));
    EXPECT_EQ(reader.bytes, expected);

    // n bytes take at least (n - 1) gaps of 2 ms, and arrive spread over many reads.
    const qint64 span = reader.reads.last().first - reader.reads.first().first;
    EXPECT_GE(span, (expected.size() - 1) * PortWriteChannel::kByteGapMs * 9 / 10);
    EXPECT_GT(reader.reads.size(), expected.size() / 8);

    // Closing lets the queued bytes go out first.
    QByteArray last("$GPTXT,last");
    output.sendSentence(last);
    output.stopOutput();
    ASSERT_TRUE(reader.waitFor(expected.size() + last.size()));
    EXPECT_TRUE(reader.bytes.endsWith(last));
}

TEST(PrinterChannel, OpensWritesAndClosesTheDeviceForEverySentence)
{
    QTemporaryDir home;
    const QString device = home.filePath(QStringLiteral("lp1"));
    {
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    writeIni(home.path(), "[Devices]\nLPT2=" + device.toLocal8Bit() + "\n");
    zvtest::ScriptedDialogs dialogs;
    OutputPort output(home.path(), &dialogs);
    output.setOutPortIndex(21);
    output.startOutput();
    QByteArray expected;
    for (QByteArray s : channeltest::foretrexSentences().mid(0, 5)) {
        expected += s + "\r\n";
        output.sendSentence(s);
        QFile f(device);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), expected); // on the device before the next sentence
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
    // The device going away mid-run is reported once; the run goes on.
    QFile::remove(device);
    for (int i = 0; i < 3; ++i) {
        QByteArray s("$GPTXT,gone");
        output.sendSentence(s);
    }
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(device));
    EXPECT_FALSE(QFile::exists(device)); // never created in the device's place
}

// A printer name mapped to a FIFO (a spooler, a test bench) whose reader is
// missing or stuck: neither the open nor the writes may keep the replay waiting.
TEST(PrinterChannel, AFifoNobodyReadsNeverKeepsTheReplayWaiting)
{
    QTemporaryDir home;
    const QString fifo = home.filePath(QStringLiteral("lp1"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    writeIni(home.path(), "[Devices]\nLPT2=" + fifo.toLocal8Bit() + "\n");
    zvtest::ScriptedDialogs dialogs;
    OutputPort output(home.path(), &dialogs);
    output.setOutPortIndex(21);

    // No reader at all.
    int rescued = -1;
    {
        channeltest::BlockWatch watch(3000, [&](const std::atomic<bool>& done) {
            rescued = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
            channeltest::readUntilDone(rescued)(done);
        });
        output.startOutput();
        EXPECT_FALSE(watch.finish()) << "opening the FIFO waited for a reader";
    }
    if (rescued >= 0)
        ::close(rescued);
    output.stopOutput();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains(fifo)) << dialogs.shown[0].text.toStdString();

    // A reader that holds the FIFO open and never reads.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    output.startOutput();
    {
        channeltest::BlockWatch watch(5000, channeltest::readUntilDone(reader));
        // 3000 sentences are three times what the FIFO's 64 KiB hold; more only
        // measured how slow a sanitizer build under load is.
        for (int i = 0; i < 3000; ++i) {
            QByteArray s("$GPRMC,200008,A,5504.4344,N,01025.5385,E,0.0,0.0,260810,1.0,E,D*16");
            output.sendSentence(s);
        }
        EXPECT_FALSE(watch.finish()) << "a sentence waited for the reader";
    }
    EXPECT_EQ(dialogs.shown.size(), 2) << "the stuck reader is reported once";
    output.stopOutput();
    ::close(reader);
}
