#pragma once

#include <atomic>
#include <thread>

class CComPort;

// The serial reader: delivers what arrives in chunks of at most m_nReadSize
// bytes, when that many have come or the line has been quiet for kQuietMs
// after at least one byte. Ends on the stop signal or on the first I/O error.
// The quiet time only gathers the packets of one burst (the dongle sends them
// back to back): a reading waits no longer than that before it is decoded.
class CReadComThread
{
public:
    static constexpr int kBufferSize = 2048;
    static constexpr int kQuietMs = 20;

    explicit CReadComThread(CComPort* pPort);
    ~CReadComThread();
    CReadComThread(const CReadComThread&) = delete;
    CReadComThread& operator=(const CReadComThread&) = delete;

    // fd: the open port; hStop: the read end of a pipe that becomes readable on stop.
    void Start(int fd, int hStop);
    // Waits for the thread after the stop signal was given.
    void Join();
    bool IsReaderThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

    std::atomic<int> m_nReadSize { 100 };   //!< bytes per read request, read before each request
    std::atomic<bool> m_bFinished { false }; //!< set when the loop has returned

private:
    void Run();
    void Deliver(int nLen);

    CComPort* m_pPort;
    int m_fd = -1;
    int m_hStop = -1;
    std::thread m_thread;
    unsigned char m_buffer[kBufferSize] {};
};
