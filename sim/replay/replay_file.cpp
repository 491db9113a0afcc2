#include "sim/replay/replay_file.h"

#include "common/file_names.h"
#include "common/nmea.h"
#include "sim/replay/replay_core.h"

namespace zelvan {

bool ReplayFile::open(const QString& path)
{
    close();
    m_path = path;
    if (!zv::openFile(m_file, path, QIODevice::ReadOnly))
        return false;
    m_reader = std::make_unique<zv::LineReader>(&m_file, kMaxLine, zv::LineReader::Overlong::Drop);
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
    if (isRmcLine(line)) {
        if (records % kStride == 0) {
            marks.append(at);
            statusAt.append(m_status);
        }
        ++records;
    } else if (isStatusLine(line)) {
        m_status = at;
    }
}

} // namespace zelvan
