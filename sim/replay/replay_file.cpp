#include "sim/replay/replay_file.h"

#include "sim/replay/replay_core.h"

namespace zelvan {

bool ReplayFile::open(const QString& path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
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

bool ReplayFile::readLine(QByteArray& line)
{
    if (!m_reader)
        return false;
    return m_reader->readLine(line);
}

bool ReplayFile::readLineView(QByteArrayView& line)
{
    if (!m_reader)
        return false;
    return m_reader->readLineView(line);
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
