#pragma once

#include <csignal>
#include <sys/resource.h>

// A "full disk" for one process, root included: files stop growing at a size limit, and
// the write that would pass it fails with EFBIG instead of raising SIGXFSZ.
class CFileSizeLimit
{
public:
    // For this process while the object lives.
    explicit CFileSizeLimit(rlim_t nBytes)
    {
        m_bSet = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = nBytes;
        m_bSet = m_bSet && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~CFileSizeLimit()
    {
        if (m_bSet)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool IsSet() const { return m_bSet; }

    // For a child process for good: call it in QProcess::setChildProcessModifier.
    static void Apply(rlim_t nBytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { nBytes, nBytes };
        setrlimit(RLIMIT_FSIZE, &limit);
    }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_bSet = false;
};
