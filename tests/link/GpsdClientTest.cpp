// The gpsd client's endpoint. What it takes from a real gpsd, and how it
// comes back when gpsd does, is tested through marevox-cli live against
// marevox-sim's receiver (tests/tools/cli/CliPositionsTest.cpp).
#include <gtest/gtest.h>

#include "link/GpsdClient.h"

TEST(GpsdClient, EndpointsAreHostColonPort) {
    const auto v6 = GpsdClient::ParseEndpoint("[::1]:2947");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(GpsdClient::ParseEndpoint("boat.local:29470")->port, "29470");
    for (const char* bad : {"", "host", "host:", ":2947", "::1:2947", "[::1]2947", "host:0",
                            "host:65536", "host:29x", "[]:2947"})
        EXPECT_FALSE(GpsdClient::ParseEndpoint(bad)) << bad;
}
