#pragma once
// A full disk, for one scope of one test process: RLIMIT_FSIZE is lowered so
// a write past `bytes` fails with EFBIG ("File too large"), and SIGXFSZ is
// ignored so the kernel reports the error instead of ending the process.
// Works without mounts or root; each GoogleTest case runs in its own process,
// so the limit never reaches another test.
#include <csignal>
#include <sys/resource.h>

namespace zvtest {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_ok = false;
};

} // namespace zvtest
