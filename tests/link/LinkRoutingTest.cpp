// Which conversation gets a packet, the sequence counter, and sending without a port.

#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "tests/link/PtyDevice.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace norix {
namespace {

constexpr std::array allRoutes{LinkRoute::ImageLoad, LinkRoute::ImageUpload, LinkRoute::ImageList,
                               LinkRoute::Settings,  LinkRoute::FontDelete,  LinkRoute::FontUpload,
                               LinkRoute::FontList};

class LinkFixture : public ::testing::Test {
protected:
    testing::TempDirectory dir;
    ManualEventLoop loop;
    SerialPortManager link{loop, dir.path(), LinkConversations::None};
};

// The claimant's position in the order; linkRouteCount means nobody claims.
class Routing : public LinkFixture, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(Routing, OffersInTheFixedOrderUntilOneClaims) {
    const std::size_t claimant = GetParam();
    std::vector<std::size_t> offered;
    for (std::size_t i = 0; i < allRoutes.size(); ++i)
        link.setRoute(allRoutes[i], [&offered, i, claimant](const SerialPacket& packet) {
            EXPECT_EQ(packet, (SerialPacket{respAck, 7, {1, 2}}));
            offered.push_back(i);
            return i == claimant;
        });
    std::vector<SerialPacket> unclaimed;
    link.onPacketReceived = [&](const SerialPacket& packet) { unclaimed.push_back(packet); };

    link.processReceivedBytes(encodeFrame({respAck, 7, {1, 2}}));

    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < allRoutes.size() && i <= claimant; ++i)
        expected.push_back(i);
    EXPECT_EQ(offered, expected);
    EXPECT_EQ(unclaimed.size(), claimant == linkRouteCount ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Claimant, Routing, ::testing::Range<std::size_t>(0, linkRouteCount + 1),
                         testing::PrintedName());

TEST_F(LinkFixture, RoutesCanBeReplacedAndRemoved) {
    int first = 0, second = 0, unclaimed = 0;
    link.onPacketReceived = [&](const SerialPacket&) { ++unclaimed; };
    link.setRoute(LinkRoute::Settings, [&](const SerialPacket&) { return ++first > 0; });
    link.setRoute(LinkRoute::Settings, [&](const SerialPacket&) { return ++second > 0; });
    link.processReceivedBytes(encodeFrame({respSettings, 0, {}}));
    link.setRoute(LinkRoute::Settings, nullptr);
    link.processReceivedBytes(encodeFrame({respSettings, 0, {}}));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(unclaimed, 1);
}

TEST_F(LinkFixture, ABadFrameSetsLastErrorAndTheNextOneStillArrives) {
    int received = 0;
    link.onPacketReceived = [&](const SerialPacket&) { ++received; };
    int notifications = 0;
    auto subscription = link.changed.connect([&] { ++notifications; });
    // The packet E4 05 00 with CRC 24, sent with 25 instead.
    link.processReceivedBytes(Bytes{0x03, 0xE4, 0x05, 0x02, 0x25, 0x00});
    EXPECT_EQ(link.lastError(), "Serial CRC mismatch. Received 25, calculated 24.");
    EXPECT_GE(notifications, 1);
    link.processReceivedBytes(encodeFrame({respDone, 3, {}}));
    EXPECT_EQ(received, 1);
}

TEST_F(LinkFixture, SequenceNumbersRunFromZeroAndWrap) {
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(link.nextSequence(), i);
    EXPECT_EQ(link.nextSequence(), 0);
    EXPECT_EQ(link.nextSequence(), 1);
}

TEST_F(LinkFixture, SendingWithoutAPortConsumesNoSequence) {
    EXPECT_EQ(link.sendPacket(cmdSettings, Bytes{settingsGetAll}), std::nullopt);
    EXPECT_EQ(link.lastError(), "No serial port is connected.");
    EXPECT_FALSE(link.send(Bytes{1}));
    EXPECT_EQ(link.nextSequence(), 0);
}

TEST(SharedLink, IsTheInstalledOneUntilReplaced) {
    ManualEventLoop loop;
    EXPECT_FALSE(SerialPortManager::hasShared());
    auto owned = std::make_unique<SerialPortManager>(loop, "/nonexistent-norix-dir",
                                                     LinkConversations::None);
    SerialPortManager* raw = owned.get();
    SerialPortManager::installShared(std::move(owned));
    EXPECT_EQ(&SerialPortManager::shared(), raw);
    SerialPortManager::installShared(nullptr);
    EXPECT_FALSE(SerialPortManager::hasShared());
}

TEST(SharedLinkDeathTest, AbortsWhenUsedBeforeInstalled) {
    EXPECT_DEATH(SerialPortManager::shared(), "installShared");
}

} // namespace
} // namespace norix
