#pragma once

#include <atomic>
#include <thread>

class CComReceiver;

// The serial reader: delivers what arrives in chunks of at most the read size
// bytes, when that many have come or the line has been quiet for kQuietMs
// after at least one byte. Ends on the stop signal or on the first I/O error.
// The quiet time only gathers the packets of one burst (the dongle sends them
// back to back): a reading waits no longer than that before it is decoded.
class CReadComThread
{
public:
    static constexpr int kBufferSize = 2048;
    static constexpr int kQuietMs = 20;

    // pReceiver gets the bytes and the failure; nReadSize is read before every
    // request. Both belong to the owner and must outlive Join.
    CReadComThread(CComReceiver* pReceiver, const std::atomic<int>& nReadSize);
    ~CReadComThread();
    CReadComThread(const CReadComThread&) = delete;
    CReadComThread& operator=(const CReadComThread&) = delete;

    // fd: the open port; hStop: the read end of a pipe that becomes readable on stop.
    void Start(int fd, int hStop);
    // Waits for the thread after the stop signal was given. Calling it from the
    // reader itself (a receiver closing the port) is a programming error.
    void Join();
    bool IsReaderThread() const { return std::this_thread::get_id() == m_readerId.load(); }

private:
    void Run();
    void Deliver(int nLen);

    CComReceiver* m_pReceiver;
    const std::atomic<int>& m_nReadSize;
    int m_fd = -1;
    int m_hStop = -1;
    std::thread m_thread;
    // Set by the reader itself as it starts: m_thread is still being assigned then.
    std::atomic<std::thread::id> m_readerId;
    unsigned char m_buffer[kBufferSize] {}; //!< the reader's only
};
