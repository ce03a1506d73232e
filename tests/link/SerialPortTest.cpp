#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/CSerialPort.h"
#include "tests/support/LinkTestSupport.h"

namespace {

// The owner's side: drains the ring at every notification, as the main
// window does.
struct Owner {
    explicit Owner(CSerialPort& serialPort) : port(serialPort) {
        QObject::connect(&port, &CSerialPort::DataReceived, &port,
                         [this](quint32 count, int number) {
                             notifications.push_back(count);
                             portNumber = number;
                             std::uint8_t buffer[2048];
                             const auto n = this->port.TakeReceived(buffer);
                             received.append(reinterpret_cast<char*>(buffer), n);
                         });
        QObject::connect(&port, &CSerialPort::Warning, &port,
                         [this](const QString& text) { warnings.push_back(text); });
        QObject::connect(&port, &CSerialPort::PortLost, &port, [this](int) { ++lost; });
    }
    CSerialPort& port;
    std::vector<quint32> notifications;
    std::vector<QString> warnings;
    std::string received;
    int portNumber = 0;
    int lost = 0;
};

bool Open(CSerialPort& port, const std::string& path, int number = 3) {
    return port.OpenPort(number, QString::fromStdString(path), 9600, 'N', 8, 1,
                         CSerialPort::kEvRxChar | CSerialPort::kEvCts, 512) &&
           port.StartReceiveThread();
}

}  // namespace

TEST(SerialPort, PortThatDoesNotExistFailsQuietly) {
    CSerialPort port;
    Owner owner(port);
    EXPECT_FALSE(port.OpenPort(7, "/dev/marevox-no-such-port", 9600, 'N', 8, 1, 9, 512));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.StartReceiveThread());
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.warnings.empty());
}

TEST(SerialPort, FifteenHundredBytesAtOnceArriveAsTwoNotifications) {
    PseudoTerminal pty;
    CSerialPort port;
    Owner owner(port);
    ASSERT_TRUE(Open(port, pty.Path(), 4));
    port.SetBaudRate(115200);  // no message for a pseudo-terminal

    std::string bytes;
    for (int i = 0; i < 1500; ++i) bytes.push_back(static_cast<char>(i * 7));
    pty.WriteAll(bytes);
    ASSERT_TRUE(RunUntil([&] { return owner.received.size() >= 1500; }, 3000));
    EXPECT_EQ(owner.notifications, (std::vector<quint32>{1024, 476}));
    EXPECT_EQ(owner.portNumber, 4);
    EXPECT_EQ(owner.received, bytes);
    EXPECT_TRUE(owner.warnings.empty());
}

TEST(SerialPort, NothingIsLostWhenTheOwnerDrainsLate) {
    PseudoTerminal pty;
    CSerialPort port;
    ASSERT_TRUE(Open(port, pty.Path()));
    int notifications = 0;
    QObject::connect(&port, &CSerialPort::DataReceived, &port, [&] { ++notifications; });

    // 5000 bytes while nobody takes anything: the ring fills once and the
    // port then waits for room instead of overwriting.
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes.push_back(static_cast<char>(i % 251));
    pty.WriteAll(bytes);
    RunUntil([] { return false; }, 200);
    EXPECT_EQ(notifications, 1);

    std::string received;
    ASSERT_TRUE(RunUntil(
        [&] {
            std::uint8_t buffer[2048];
            const auto n = port.TakeReceived(buffer);
            received.append(reinterpret_cast<char*>(buffer), n);
            return received.size() >= bytes.size();
        },
        3000));
    EXPECT_EQ(received, bytes);
}

// With a receiver the port's own thread takes each read's bytes, in order
// and whole, without the owner's thread (which runs no events meanwhile);
// nothing is announced to the owner.
TEST(SerialPort, AReceiverTakesTheBytesOnThePortsOwnThread) {
    PseudoTerminal pty;
    CSerialPort port;
    Owner owner(port);
    std::mutex mutex;
    std::string received;
    std::set<std::thread::id> threads;
    ASSERT_TRUE(port.OpenPort(3, QString::fromStdString(pty.Path()), 9600, 'N', 8, 1,
                              CSerialPort::kEvRxChar | CSerialPort::kEvCts, 512));
    port.SetReceiver([&](const std::uint8_t* bytes, std::uint32_t count) {
        std::lock_guard lock(mutex);
        EXPECT_LE(count, SerialEndpoint::kReceiveChunk);
        received.append(reinterpret_cast<const char*>(bytes), count);
        threads.insert(std::this_thread::get_id());
    });
    ASSERT_TRUE(port.StartReceiveThread());
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes.push_back(static_cast<char>(i * 13));
    pty.WriteAll(bytes);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000 && [&] {
        std::lock_guard lock(mutex);
        return received.size() < bytes.size();
    }())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard lock(mutex);
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.notifications.empty());
}

// Written at once while the line takes them, queued for the port's thread
// while it is full (filled first by another writer on the same terminal).
TEST(SerialPort, EachMessageIsSentWholeAndInOrderFromAnyThread) {
    for (const bool lineFull : {false, true}) {
        SCOPED_TRACE(lineFull);
        PseudoTerminal pty;
        CSerialPort port;
        ASSERT_TRUE(Open(port, pty.Path()));
        std::size_t filler = 0;
        if (lineFull) {
            const int other = ::open(pty.Path().c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
            ASSERT_GE(other, 0);
            const std::string chunk(4096, '-');
            for (ssize_t n; (n = ::write(other, chunk.data(), chunk.size())) > 0;)
                filler += static_cast<std::size_t>(n);
            ::close(other);
        }
        auto message = [](int sender, int i) {
            return std::string(10, static_cast<char>('A' + sender)) + static_cast<char>(i);
        };
        std::vector<std::thread> senders;
        for (int sender = 0; sender < 2; ++sender) {
            senders.emplace_back([&, sender] {
                for (int i = 0; i < 100; ++i) {
                    const std::string m = message(sender, i);
                    port.SendBytes(reinterpret_cast<const std::uint8_t*>(m.data()), m.size());
                }
            });
        }
        for (auto& t : senders) t.join();
        // Too long for the 512-byte write buffer: refused, nothing of it is sent.
        const std::string tooLong(513, 'Z');
        port.SendBytes(reinterpret_cast<const std::uint8_t*>(tooLong.data()), tooLong.size());

        const std::string got = pty.Read(filler + 2200, 5000);
        ASSERT_EQ(got.size(), filler + 2200);
        EXPECT_EQ(pty.Read(1, 100), "");
        EXPECT_EQ(got.substr(0, filler), std::string(filler, '-'));
        int next[2] = {0, 0};
        for (std::size_t at = filler; at < got.size(); at += 11) {
            const int sender = got[at] - 'A';
            ASSERT_TRUE(sender == 0 || sender == 1);
            ASSERT_EQ(got.substr(at, 11), message(sender, next[sender]++));
        }
    }
}

TEST(SerialPort, OtherEndGoingAwayIsReportedOnceAndThePortCloses) {
    PseudoTerminal pty;
    CSerialPort port;
    Owner owner(port);
    ASSERT_TRUE(Open(port, pty.Path(), 2));
    pty.WriteAll("\x0A\x4A\xCA");
    ASSERT_TRUE(RunUntil([&] { return owner.received.size() == 3; }, 2000));

    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return owner.lost == 1; }, 2000));
    EXPECT_FALSE(port.IsOpen());
    // The loss is reported by PortLost alone, not with a stale system error.
    EXPECT_TRUE(owner.warnings.empty());

    // No busy loop afterwards, and no further reports; sending is harmless.
    const double cpuBefore = CpuMilliseconds();
    const std::uint8_t frame[10] = {0x20, 0x42, 0x60, 0, 0x10, 1, 0xA0, 0, 0xE5, 0};
    port.SendBytes(frame, sizeof frame);
    RunUntil([] { return false; }, 500);
    EXPECT_LT(CpuMilliseconds() - cpuBefore, 150.0);
    EXPECT_TRUE(owner.warnings.empty());
    EXPECT_EQ(owner.lost, 1);
}

TEST(SerialPort, DestroyingAWaitingPortIsQuick) {
    PseudoTerminal pty;
    auto port = std::make_unique<CSerialPort>();
    ASSERT_TRUE(Open(*port, pty.Path()));
    RunUntil([] { return false; }, 50);
    QElapsedTimer timer;
    timer.start();
    port.reset();
    EXPECT_LT(timer.elapsed(), 100);
    // The device is free again at once.
    CSerialPort again;
    EXPECT_TRUE(Open(again, pty.Path()));
}
