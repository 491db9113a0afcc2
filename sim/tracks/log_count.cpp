#include "sim/tracks/log_count.h"

#include "common/nmea.h"
#include "common/number_text.h"
#include "common/text_lines.h"
#include "sim/replay/replay_core.h"

#include <QFile>
#include <memory>

namespace zelvan {

void LogCount::addLine(qint64 at, QByteArrayView line)
{
    index.addLine(at, line);
    if (const qsizetype gga = heldSentence(line, "GGA"); gga >= 0) {
        hasGga = true;
        // A GGA cut short (fewer than ten fields) or without a fix has no altitude.
        const QByteArrayView sentence = line.sliced(gga);
        if (collectProfile && sentence.count(',') >= 9) {
            const QByteArray field = zv::sentenceField(sentence, 9);
            if (!field.isEmpty()) {
                const double alt = qMin(zv::leadingNumber(field), 10000.0);
                if (qint64(ggaCount) % m_profileStride == 0)
                    profile.append({ggaCount, alt});
                ggaCount += 1;
                lowest = qMin(lowest, alt);
                highest = qMax(highest, alt);
                if (profile.size() >= kMaxProfilePoints) {
                    // Every second point goes: the picture is far narrower anyway.
                    qsizetype kept = 0;
                    for (qsizetype i = 0; i < profile.size(); i += 2)
                        profile[kept++] = profile[i];
                    profile.resize(kept);
                    m_profileStride *= 2;
                }
            }
        }
    }
    if (heldSentence(line, "VTG") >= 0)
        hasVtg = true;
}

void BackgroundCount::start(const QString& path, qint64 from, LogCount partial, Done done)
{
    cancel();
    m_cancel = false;
    m_running = true;
    m_done = std::move(done);
    const quint64 run = ++m_run;
    auto count = std::make_shared<LogCount>(std::move(partial));
    m_thread = std::thread([this, path, from, run, count] {
        QFile file(path);
        bool readable = file.open(QIODevice::ReadOnly) && file.seek(from);
        if (readable) {
            zv::LineReader reader(&file, ReplayFile::kMaxLine, zv::LineReader::Overlong::Drop);
            QByteArrayView line;
            while (!m_cancel.load(std::memory_order_relaxed) && reader.readLineView(line))
                count->addLine(reader.lineStart(), line);
        }
        if (m_cancel)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, run, count, readable] {
                if (run != m_run || !m_running)
                    return;
                if (m_thread.joinable())
                    m_thread.join();
                m_running = false;
                if (m_done)
                    m_done(std::move(*count), readable);
            },
            Qt::QueuedConnection);
    });
}

void BackgroundCount::cancel()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
    ++m_run;
}

} // namespace zelvan
