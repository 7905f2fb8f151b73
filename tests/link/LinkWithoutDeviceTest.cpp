// The link with no device attached: the ports it offers, which route gets a
// packet, and what sending does without a port.

#include "core/link/FrameCodec.h"
#include "core/link/PortDiscovery.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "tests/link/PtyDevice.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace norix {
namespace {

using ::testing::ElementsAre;

class LinkFixture : public ::testing::Test {
protected:
    testing::TempDirectory dir;
    ManualEventLoop loop;
    SerialPortManager link{loop, dir.path()};
};

TEST(PortDiscovery, ListsFullSortedPathsOfCandidatesOnly) {
    testing::TempDirectory dir;
    // Known prefixes in any case; never the dial-in twins, look-alikes or cut-off names.
    for (const char* name :
         {"ttyUSB0", "tty.usbmodem1101", "cu.usbmodem1101", "console", "cu.USBmodem0", "ttyACM0",
          "cu.slab_usb9", "ttyS4", "cu.usbserial-A10K", "cu.wchusbserial1420", "TTYacm3",
          "cu.Bluetooth-Incoming-Port", "cu.usbmode", "ttyAC", "xttyACM0"})
        std::ofstream(dir.file(name)).put('x');
    std::filesystem::create_directory(dir.file("ttyACM-dir-is-listed-too"));

    const PortListing listing = listSerialPorts(dir.path());
    EXPECT_EQ(listing.error, std::nullopt);
    EXPECT_THAT(listing.ports,
                ElementsAre(dir.file("TTYacm3"), dir.file("cu.USBmodem0"), dir.file("cu.slab_usb9"),
                            dir.file("cu.usbmodem1101"), dir.file("cu.usbserial-A10K"),
                            dir.file("cu.wchusbserial1420"), dir.file("ttyACM-dir-is-listed-too"),
                            dir.file("ttyACM0"), dir.file("ttyUSB0")));
}

TEST_F(LinkFixture, RefreshAppendsExtraPortsAndReportsAListingFailure) {
    std::ofstream(dir.file("ttyACM0")).put('x');
    link.addExtraPort("/tmp/norix-sim-pty", "Norix simulator");
    EXPECT_THAT(link.availablePorts(), ElementsAre(dir.file("ttyACM0"), "/tmp/norix-sim-pty"));
    EXPECT_EQ(link.portDisplayName("/tmp/norix-sim-pty"), "Norix simulator");
    EXPECT_EQ(link.portDisplayName(dir.file("ttyACM0")), dir.file("ttyACM0"));

    SerialPortManager missing(loop, dir.file("no-such-folder"));
    EXPECT_EQ(missing.lastError(), "Unable to list serial ports: No such file or directory");
}

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

TEST_F(LinkFixture, ABadFrameBecomesTheLastError) {
    int notifications = 0;
    auto subscription = link.changed.connect([&] { ++notifications; });
    // The packet E4 05 00 with CRC 24, sent with 25 instead.
    link.processReceivedBytes(Bytes{0x03, 0xE4, 0x05, 0x02, 0x25, 0x00});
    EXPECT_EQ(link.lastError(), "Serial CRC mismatch. Received 25, calculated 24.");
    EXPECT_EQ(notifications, 1);
}

TEST_F(LinkFixture, SendingWithoutAPortSaysSoAndConsumesNoSequence) {
    EXPECT_EQ(link.sendPacket(cmdSettings, Bytes{settingsGetAll}), std::nullopt);
    EXPECT_EQ(link.lastError(), "No serial port is connected.");
    EXPECT_FALSE(link.send(Bytes{1}));
    EXPECT_EQ(link.nextSequence(), 0);
}

} // namespace
} // namespace norix
