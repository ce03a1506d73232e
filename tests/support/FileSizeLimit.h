#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

// Makes this process's writes fail past a file size, as on a full disk:
// a write that would pass the limit writes what fits and the next one
// fails (EFBIG). Needs no rights and no file system of its own. SIGXFSZ,
// which would end the process, is ignored meanwhile. Restored when it ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        Set(bytes);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // A new limit; lifting it is the space becoming free again.
    void Set(std::uint64_t bytes) {
        rlimit limit = m_old;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    void Lift() { ::setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
    sighandler_t m_oldHandler = SIG_DFL;
};
