// These tests bind local port 1325; ctest runs them under one resource lock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "link/NetLink.h"
#include "tests/support/LoopbackReceiver.h"

namespace {

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
    LoopbackReceiver receiver;
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
    LoopbackReceiver receiver;
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
    LoopbackReceiver receiver;
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
    LoopbackReceiver receiver;
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
