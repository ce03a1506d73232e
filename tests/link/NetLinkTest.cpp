// These tests bind local port 1325; ctest runs them under one resource lock.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "NetLink.h"

namespace {

// A depth receiver on the loopback interface.
class Receiver {
public:
    Receiver() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listener, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~Receiver() {
        CloseConnection();
        ::close(m_listener);
    }
    std::uint16_t Port() const { return m_port; }

    // Waits for a connection; returns the peer's port (0 when none came).
    std::uint16_t Accept(int timeoutMs = 2000) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return 0;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        m_connection = ::accept(m_listener, reinterpret_cast<sockaddr*>(&peer), &len);
        return ntohs(peer.sin_port);
    }
    bool Pending(int timeoutMs) {
        pollfd p{m_listener, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }
    // Reads exactly n bytes (or what came within the time).
    std::string Read(std::size_t n) {
        std::string out;
        while (out.size() < n) {
            pollfd p{m_connection, POLLIN, 0};
            if (::poll(&p, 1, 2000) != 1) break;
            char buffer[256];
            const auto got = ::read(m_connection, buffer, std::min(sizeof buffer, n - out.size()));
            if (got <= 0) break;
            out.append(buffer, static_cast<std::size_t>(got));
        }
        return out;
    }
    void CloseConnection() {
        if (m_connection >= 0) ::close(m_connection);
        m_connection = -1;
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    std::uint16_t m_port = 0;
};

// Sends until a message goes out; returns how many sends failed first.
int SendUntilSent(NetLink& link, const std::string& message) {
    for (int failed = 0; failed < 200; ++failed) {
        if (link.Send(message)) return failed;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

}  // namespace

TEST(NetLink, FirstDepthIsLostAndTheRestArriveExactFromPort1325) {
    Receiver receiver;
    NetLink link;
    link.SetRemote("127.0.0.1", receiver.Port());
    EXPECT_FALSE(link.HasSocket());  // never opened before the first send

    EXPECT_FALSE(link.Send("DT 000100\r\n"));  // no socket yet: lost, link opened
    EXPECT_TRUE(link.HasSocket());
    EXPECT_EQ(receiver.Accept(), NetLink::kLocalPort);

    EXPECT_EQ(SendUntilSent(link, "DT 001234\r\n"), 0);
    EXPECT_TRUE(link.Send("$SDDPT,12.34,0.0,100\r\n"));
    const std::string expected = "DT 001234\r\n$SDDPT,12.34,0.0,100\r\n";
    EXPECT_EQ(receiver.Read(expected.size()), expected);
}

TEST(NetLink, ReceiverClosingLeadsToANewConnectionFromPort1325) {
    Receiver receiver;
    NetLink link;
    link.SetRemote("127.0.0.1", receiver.Port());
    link.OpenNetLink();
    ASSERT_EQ(receiver.Accept(), NetLink::kLocalPort);
    ASSERT_TRUE(link.Send("DT 000001\r\n"));
    ASSERT_EQ(receiver.Read(11), "DT 000001\r\n");

    receiver.CloseConnection();
    // The first send after the close may still be accepted by the system;
    // the error shows on a later one, which reopens the link.
    int sends = 0;
    while (sends < 100 && !receiver.Pending(0)) {
        link.Send("DT 000002\r\n");
        ++sends;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(receiver.Accept(), NetLink::kLocalPort);
    // The failed message is not repeated: the new connection carries only
    // what is sent after it.
    EXPECT_EQ(SendUntilSent(link, "DT 000003\r\n"), 0);
    EXPECT_EQ(receiver.Read(11), "DT 000003\r\n");
}

TEST(NetLink, PortAbove65535UsesItsLow16Bits) {
    Receiver receiver;
    NetLink link;
    link.SetRemote("127.0.0.1", 65536LL + receiver.Port());
    link.OpenNetLink();
    EXPECT_EQ(receiver.Accept(), NetLink::kLocalPort);
}

TEST(NetLink, TextThatIsNotAnAddressOnlyFailsAgainAndAgain) {
    NetLink link;
    link.SetRemote("not an address", 4001);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(link.Send("DT 000100\r\n"));
    EXPECT_TRUE(link.HasSocket());
}

TEST(NetLink, ARestartedLinkBindsPort1325AtOnce) {
    Receiver receiver;
    for (int round = 0; round < 3; ++round) {
        NetLink link;
        link.SetRemote("127.0.0.1", receiver.Port());
        link.OpenNetLink();
        ASSERT_EQ(receiver.Accept(), NetLink::kLocalPort) << "round " << round;
        ASSERT_EQ(SendUntilSent(link, "DT 000042\r\n"), 0);
        EXPECT_EQ(receiver.Read(11), "DT 000042\r\n");
        receiver.CloseConnection();
    }
}
