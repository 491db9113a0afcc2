#include "sim/replay/replay_file.h"

#include "common/file_names.h"
#include "common/nmea.h"

namespace zelvan {

bool ReplayFile::open(const QString& path)
{
    close();
    m_path = path;
    if (!zv::openFile(m_file, path, QIODevice::ReadOnly))
        return false;
    m_reader = std::make_unique<zv::LineReader>(&m_file, kMaxLine);
    return true;
}

void ReplayFile::close()
{
    m_reader.reset();
    if (m_file.isOpen())
        m_file.close();
}

bool ReplayFile::atEnd()
{
    return !m_reader || m_reader->atEnd();
}

namespace {
// Editors write a UTF-8 byte-order mark before the first line; the text
// behind it is what the line holds.
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");
} // namespace

bool ReplayFile::readLine(QByteArray& line)
{
    if (!m_reader)
        return false;
    const bool first = m_reader->position() == 0;
    if (!m_reader->readLine(line))
        return false;
    if (first && line.startsWith(kUtf8Bom))
        line.remove(0, kUtf8Bom.size());
    return true;
}

bool ReplayFile::readLineView(QByteArrayView& line)
{
    if (!m_reader)
        return false;
    const bool first = m_reader->position() == 0;
    if (!m_reader->readLineView(line))
        return false;
    if (first && line.startsWith(kUtf8Bom))
        line = line.sliced(kUtf8Bom.size());
    return true;
}

bool ReplayFile::seek(qint64 offset)
{
    return m_reader && m_reader->seek(offset);
}

void RmcIndex::addLine(qint64 at, QByteArrayView line)
{
    // Sentence types of any talker: "$GNRMC" is as much an RMC as "$GPRMC".
    if (zv::containsSentence(line, "RMC")) {
        if (zv::isSentence(line, "RMC")) {
            offsets.append(at);
            statusRef.append(m_currentStatus);
        }
    } else if (zv::isSentence(line, "TXT")) {
        statusTexts.append(QString::fromLatin1(line.sliced(std::min<qsizetype>(7, line.size()))));
        m_currentStatus = int(statusTexts.size() - 1);
    }
}

} // namespace zelvan
