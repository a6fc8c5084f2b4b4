#pragma once
// A real write fault for tests: while a FileSizeLimit lives, every write of this process that
// would make a file larger than the limit fails with EFBIG ("File too large"), as a full disk
// would fail it. Unlike permissions it also stops root. SIGXFSZ is ignored meanwhile, so the
// write returns its error instead of ending the process. Header only.

#include <csignal>
#include <cstdint>
#include <sys/resource.h>

namespace testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes) {
        m_active = ::getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        m_active = m_active && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_active)
            ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit is in force.
    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_active = false;
};

} // namespace testsupport
