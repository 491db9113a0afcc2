#pragma once
// Sentences of the real log the channel tests send.
#include <QByteArrayList>
#include <QFile>

namespace channeltest {

// The "$" lines of the Foretrex log, without line ends.
inline QByteArrayList foretrexSentences()
{
    QByteArrayList out;
    QFile file(QStringLiteral(ZV_TEST_DATA_DIR "/channels/gpsd_foretrex-201.log"));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        if (line.startsWith('$'))
            out.append(line);
    }
    return out;
}

} // namespace channeltest
