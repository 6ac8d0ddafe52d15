#include "link/CComPort.h"

#include "sim/CSimPty.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {
// Collects what the reader delivers.
struct CReceiver : public CComReceiver
{
    std::mutex mutex;
    std::condition_variable cv;
    QList<QByteArray> chunks;
    QStringList errors;

    void OnComReceive(const unsigned char* pData, int nCount) override
    {
        std::lock_guard lock(mutex);
        chunks << QByteArray(reinterpret_cast<const char*>(pData), nCount);
        cv.notify_all();
    }
    void OnComError(const QString& strError) override
    {
        std::lock_guard lock(mutex);
        errors << strError;
        cv.notify_all();
    }
    QByteArray All()
    {
        std::lock_guard lock(mutex);
        QByteArray all;
        for (const QByteArray& c : chunks)
            all += c;
        return all;
    }
    bool WaitForBytes(int nBytes, int nMs = 3000)
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::milliseconds(nMs), [&] {
            int n = 0;
            for (const QByteArray& c : chunks)
                n += int(c.size());
            return n >= nBytes;
        });
    }
};

class ComPort : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString strError;
        ASSERT_TRUE(m_pty.Open(QString(), &strError)) << qPrintable(strError);
        ASSERT_TRUE(m_port.Open(m_pty.SlavePath(), 115200, &m_rx));
    }
    void WriteMaster(const QByteArray& bytes)
    {
        ASSERT_EQ(::write(m_pty.MasterFd(), bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    QByteArray ReadMaster(int nBytes)
    {
        QByteArray out;
        while (out.size() < nBytes) {
            pollfd pfd { m_pty.MasterFd(), POLLIN, 0 };
            if (::poll(&pfd, 1, 2000) <= 0)
                break;
            char buf[4096];
            const ssize_t n = ::read(m_pty.MasterFd(), buf, sizeof buf);
            if (n > 0)
                out.append(buf, int(n));
        }
        return out;
    }

    CSimPty m_pty;
    CReceiver m_rx;
    CComPort m_port;
};

QByteArray Pattern(int n)
{
    QByteArray a;
    for (int i = 0; i < n; ++i)
        a.append(char(i * 7 + 3));
    return a;
}
}

TEST_F(ComPort, LongBurstsArriveInChunksOfAtMostTheReadSize)
{
    const QByteArray burst = Pattern(350);
    WriteMaster(burst);
    ASSERT_TRUE(m_rx.WaitForBytes(350));
    EXPECT_EQ(m_rx.All(), burst);
    EXPECT_GE(m_rx.chunks.size(), 4);
    for (const QByteArray& c : m_rx.chunks) {
        EXPECT_LE(c.size(), 100);
        EXPECT_GT(c.size(), 0); // a read of nothing makes no call
    }

    // A larger request size takes the next burst whole once the line is quiet.
    m_port.SetReadSize(1000);
    m_rx.chunks.clear();
    WriteMaster(burst);
    ASSERT_TRUE(m_rx.WaitForBytes(350));
    EXPECT_EQ(m_rx.All(), burst);
    for (const QByteArray& c : m_rx.chunks)
        EXPECT_LE(c.size(), 1000);
}

TEST_F(ComPort, ShortDataWaitsForTheQuietLine)
{
    QElapsedTimer timer;
    timer.start();
    WriteMaster(Pattern(10));
    ASSERT_TRUE(m_rx.WaitForBytes(10));
    EXPECT_GE(timer.elapsed(), CReadComThread::kQuietMs - 20);
    EXPECT_EQ(m_rx.chunks.size(), 1);
}

TEST_F(ComPort, CloseStopsTheReaderPromptly)
{
    QElapsedTimer timer;
    timer.start();
    m_port.Close();
    EXPECT_LT(timer.elapsed(), 500);
    EXPECT_FALSE(m_port.IsOpen());
    m_port.Close(); // twice is harmless
    EXPECT_EQ(m_port.Write("x", 1), 0);
}

TEST_F(ComPort, UnpluggedDeviceEndsTheReaderAndIsReportedOnce)
{
    WriteMaster(Pattern(5));
    ASSERT_TRUE(m_rx.WaitForBytes(5));
    m_pty.Close();
    {
        std::unique_lock lock(m_rx.mutex);
        ASSERT_TRUE(m_rx.cv.wait_for(lock, std::chrono::seconds(3), [&] { return !m_rx.errors.isEmpty(); }));
    }
    EXPECT_EQ(m_port.Write("abc", 3), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(m_rx.All(), Pattern(5));
    std::lock_guard lock(m_rx.mutex);
    EXPECT_EQ(m_rx.errors.size(), 1); // what came before the failure was delivered
}

TEST_F(ComPort, ConcurrentWritesNeverInterleave)
{
    constexpr int kThreads = 4;
    constexpr int kPackets = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            QByteArray packet(12, char('A' + t));
            for (int i = 0; i < kPackets; ++i)
                EXPECT_EQ(m_port.Write(packet.constData(), 12), 12);
        });
    }
    const QByteArray out = ReadMaster(kThreads * kPackets * 12);
    for (auto& th : threads)
        th.join();
    ASSERT_EQ(out.size(), kThreads * kPackets * 12);
    for (int i = 0; i < out.size(); i += 12)
        EXPECT_EQ(out.mid(i, 12), QByteArray(12, out[i])) << "at " << i;
}

TEST(ComPortOpen, MissingPortFailsWithoutAThread)
{
    CComPort port;
    CReceiver rx;
    port.SetReadSize(512);
    EXPECT_FALSE(port.Open(QStringLiteral("/dev/no-such-port"), 115200, &rx));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.ReadSize(), 512); // the port's value, with or without a reader
    EXPECT_FALSE(port.LastOpenError().isEmpty());
    port.Close();
}

TEST(ComPortOpen, CloseClearsTheExclusiveFlag)
{
    CSimPty pty;
    QString strError;
    ASSERT_TRUE(pty.Open(QString(), &strError)) << qPrintable(strError);
    CReceiver rx;
    CComPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath(), 115200, &rx));
    auto exclusive = [&] {
        // A second descriptor of the same terminal reads the flag (root may open it anyway).
        const int fd = ::open(pty.SlavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        int nFlag = -1;
        if (fd >= 0) {
            if (::ioctl(fd, TIOCGEXCL, &nFlag) != 0)
                nFlag = -1;
            ::close(fd);
        }
        return nFlag;
    };
    if (getuid() == 0) {
        EXPECT_EQ(exclusive(), 1);
    }
    port.Close();
    EXPECT_EQ(exclusive(), 0); // the next (non-root) program can open it
}

TEST(ComPortOpen, ReadSizeChangesRaceNeitherOpenNorClose)
{
    // The dispatcher changes the read size on the link thread while the GUI
    // thread may be closing the port: the size is the port's, never the reader's.
    CSimPty pty;
    QString strError;
    ASSERT_TRUE(pty.Open(QString(), &strError)) << qPrintable(strError);
    CReceiver rx;
    CComPort port;
    std::atomic<bool> bStop { false };
    std::thread changer([&] {
        for (int i = 0; !bStop; ++i) {
            port.SetReadSize(i % 2 ? 1000 : 100);
            (void)port.ReadSize();
        }
    });
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(port.Open(pty.SlavePath(), 115200, &rx));
        port.Close();
    }
    bStop = true;
    changer.join();
    const int nSize = port.ReadSize();
    EXPECT_TRUE(nSize == 100 || nSize == 1000) << nSize;
}

TEST(ComPortOpen, TheFirstBytesReachTheReceiverGivenAtOpen)
{
    CSimPty pty;
    QString strError;
    ASSERT_TRUE(pty.Open(QString(), &strError)) << qPrintable(strError);
    for (int i = 0; i < 20; ++i) {
        CReceiver rx;
        CComPort port;
        port.SetReadSize(1); // every byte is delivered at once, while Open may still be running
        ASSERT_TRUE(port.Open(pty.SlavePath(), 115200, &rx));
        ASSERT_EQ(::write(pty.MasterFd(), "\x04", 1), 1);
        ASSERT_TRUE(rx.WaitForBytes(1)) << "run " << i;
        EXPECT_EQ(rx.All(), QByteArray("\x04"));
        port.Close();
    }
}

TEST(ComPortDeathTest, ClosingFromTheReaderIsAProgrammingError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CSimPty pty;
    QString strError;
    ASSERT_TRUE(pty.Open(QString(), &strError)) << qPrintable(strError);
    // A receiver that closes its own port from the reader would wait for itself.
    struct CClosingReceiver : public CComReceiver
    {
        CComPort* pPort = nullptr;
        void OnComReceive(const unsigned char*, int) override { pPort->Close(); }
        void OnComError(const QString&) override {}
    };
    EXPECT_DEATH({
        CComPort port;
        CClosingReceiver rx;
        rx.pPort = &port;
        port.SetReadSize(1);
        if (port.Open(pty.SlavePath(), 115200, &rx) && ::write(pty.MasterFd(), "x", 1) == 1)
            std::this_thread::sleep_for(std::chrono::seconds(5));
        std::_Exit(0);
    }, "reader thread");
}

namespace {
// Starts a write on the port that cannot end (nobody reads the other side of the line) and
// returns once the write is under way, waiting for room.
std::thread StallAWrite(CComPort& port, const CSimPty& pty, std::atomic<bool>& bReturned)
{
    std::thread writer([&port, &bReturned] {
        const QByteArray big(1 << 20, 'x');
        port.Write(big.constData(), int(big.size()));
        bReturned = true;
    });
    const QDeadlineTimer deadline(5000);
    int nPending = 0;
    while (!deadline.hasExpired() && (::ioctl(pty.MasterFd(), FIONREAD, &nPending) != 0 || nPending == 0))
        std::this_thread::yield();
    EXPECT_GT(nPending, 0) << "the write never started";
    return writer;
}
}

TEST_F(ComPort, IsOpenDoesNotWaitForAStalledWrite)
{
    std::atomic<bool> bWriteReturned { false };
    std::thread writer = StallAWrite(m_port, m_pty, bWriteReturned);
    // The window asks whether the port is open while a write waits for room: it is answered
    // at once, not when the write gives up.
    EXPECT_TRUE(m_port.IsOpen());
    EXPECT_FALSE(bWriteReturned);
    m_port.Close();
    writer.join();
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(ComPort, AWriteStalledOnTheOldPortNeverFailsTheNextOne)
{
    CSimPty newPty;
    QString strError;
    ASSERT_TRUE(newPty.Open(QString(), &strError)) << qPrintable(strError);
    std::atomic<bool> bWriteReturned { false };
    std::thread writer = StallAWrite(m_port, m_pty, bWriteReturned);
    // The port is opened again while the write still waits (one receiver for both opens, as
    // the link is): the write ends with the old port, and its end is no failure of the new one.
    ASSERT_TRUE(m_port.Open(newPty.SlavePath(), 115200, &m_rx));
    writer.join();
    EXPECT_TRUE(m_port.IsOpen());
    {
        std::lock_guard lock(m_rx.mutex);
        EXPECT_TRUE(m_rx.errors.isEmpty()) << qPrintable(m_rx.errors.join(QStringLiteral("; ")));
    }
    // The new port works, and a failure of its own is still told.
    ASSERT_EQ(::write(newPty.MasterFd(), "ok", 2), 2);
    EXPECT_TRUE(m_rx.WaitForBytes(2));
    newPty.Close();
    std::unique_lock lock(m_rx.mutex);
    EXPECT_TRUE(m_rx.cv.wait_for(lock, std::chrono::seconds(3), [&] { return !m_rx.errors.isEmpty(); }));
}
