// Which route gets a packet, the sequence counter, and sending without a port.

#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>

namespace norix {
namespace {

class LinkFixture : public ::testing::Test {
protected:
    ManualEventLoop loop;
    SerialPortManager link{loop, "/nonexistent-norix-dir"};
};

// Routes registered in no particular order; the parameter is the position (in
// the routing order) of the one that claims, 4 for none.
class Routing : public LinkFixture, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(Routing, OffersInAscendingPlacesUntilOneClaims) {
    std::array<RouteOrder, 4> places{30, lastRoute, 10, 20};
    std::vector<RouteOrder> offered;
    for (const RouteOrder place : places)
        link.setRoute(place, [&, place](const SerialPacket& packet) {
            EXPECT_EQ(packet, (SerialPacket{respAck, 7, {1, 2}}));
            offered.push_back(place);
            return offered.size() == GetParam() + 1;
        });

    link.processReceivedBytes(encodeFrame({respAck, 7, {1, 2}}));

    std::sort(places.begin(), places.end());
    EXPECT_EQ(offered, std::vector<RouteOrder>(places.begin(),
                                               places.begin() + std::min<long>(GetParam() + 1, 4)));
}

INSTANTIATE_TEST_SUITE_P(Claimant, Routing, ::testing::Range<std::size_t>(0, 5),
                         [](const auto& testInfo) {
                             return testInfo.param == 4
                                        ? std::string("Nobody")
                                        : "Route" + std::to_string(testInfo.param + 1);
                         });

TEST_F(LinkFixture, ARouteIsReplacedAtItsPlaceAndRemovedByAnEmptyClaim) {
    int first = 0, second = 0, last = 0;
    link.setRoute(lastRoute, [&](const SerialPacket&) { return ++last > 0; });
    link.setRoute(20, [&](const SerialPacket&) { return ++first > 0; });
    link.setRoute(20, [&](const SerialPacket&) { return ++second > 0; });
    link.processReceivedBytes(encodeFrame({respSettings, 0, {}}));
    link.setRoute(20, nullptr);
    EXPECT_FALSE(link.hasRoute(20));
    link.processReceivedBytes(encodeFrame({respSettings, 0, {}}));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(last, 1);
}

TEST_F(LinkFixture, ABadFrameSetsLastErrorAndTheNextOneStillArrives) {
    int received = 0;
    link.setRoute(lastRoute, [&](const SerialPacket&) { return ++received > 0; });
    int notifications = 0;
    auto subscription = link.changed.connect([&] { ++notifications; });
    // The packet E4 05 00 with CRC 24, sent with 25 instead.
    link.processReceivedBytes(Bytes{0x03, 0xE4, 0x05, 0x02, 0x25, 0x00});
    EXPECT_EQ(link.lastError(), "Serial CRC mismatch. Received 25, calculated 24.");
    EXPECT_GE(notifications, 1);
    link.processReceivedBytes(encodeFrame({respDone, 3, {}}));
    EXPECT_EQ(received, 1);
}

TEST_F(LinkFixture, SendingWithoutAPortConsumesNoSequenceAndSequencesWrap) {
    EXPECT_EQ(link.sendPacket(cmdSettings, Bytes{settingsGetAll}), std::nullopt);
    EXPECT_EQ(link.lastError(), "No serial port is connected.");
    EXPECT_FALSE(link.send(Bytes{1}));
    for (int i = 0; i < 258; ++i)
        ASSERT_EQ(link.nextSequence(), i % 256);
}

} // namespace
} // namespace norix
