// Which device nodes are offered as ports.

#include "core/link/PortDiscovery.h"

#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "tests/link/PtyDevice.h"
#include "tests/support/TestSupport.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace norix {
namespace {

using ::testing::ElementsAre;

struct NameCase {
    const char* fileName;
    bool isPort;
    friend void PrintTo(const NameCase& c, std::ostream* os) {
        *os << (*c.fileName ? c.fileName : "empty");
    }
};

class PortNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortNames, MatchTheKnownPrefixesIgnoringCase) {
    EXPECT_EQ(isSerialPortName(GetParam().fileName), GetParam().isPort) << GetParam().fileName;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNames,
    ::testing::Values(NameCase{"cu.usbmodem1101", true}, NameCase{"cu.USBmodem22", true},
                      NameCase{"cu.usbserial-A10K", true}, NameCase{"cu.wchusbserial1420", true},
                      NameCase{"cu.SLAB_USBtoUART", true}, NameCase{"ttyACM0", true},
                      NameCase{"ttyUSB12", true}, NameCase{"TTYacm3", true},
                      NameCase{"tty.usbmodem1101", false}, NameCase{"tty.usbserial-A10K", false},
                      NameCase{"cu.Bluetooth-Incoming-Port", false}, NameCase{"ttyS0", false},
                      NameCase{"cu.usbmode", false}, NameCase{"ttyAC", false},
                      NameCase{"xttyACM0", false}, NameCase{"", false}),
    testing::PrintedName());

TEST(PortDiscovery, ListsFullSortedPathsOfCandidatesOnly) {
    testing::TempDirectory dir;
    for (const char* name : {"ttyUSB0", "tty.usbmodem1101", "cu.usbmodem1101", "console",
                             "cu.USBmodem0", "ttyACM0", "cu.slab_usb9", "ttyS4"})
        std::ofstream(dir.file(name)).put('x');
    std::filesystem::create_directory(dir.file("ttyACM-dir-is-listed-too"));

    const PortListing listing = listSerialPorts(dir.path());
    EXPECT_EQ(listing.error, std::nullopt);
    EXPECT_THAT(listing.ports,
                ElementsAre(dir.file("cu.USBmodem0"), dir.file("cu.slab_usb9"),
                            dir.file("cu.usbmodem1101"), dir.file("ttyACM-dir-is-listed-too"),
                            dir.file("ttyACM0"), dir.file("ttyUSB0")));
}

TEST(PortDiscovery, RefreshAppendsExtraPortsAndReportsAListingFailure) {
    testing::TempDirectory dir;
    ManualEventLoop loop;
    SerialPortManager link(loop, dir.path());
    EXPECT_TRUE(link.availablePorts().empty());
    EXPECT_EQ(link.lastError(), std::nullopt);

    std::ofstream(dir.file("ttyACM0")).put('x');
    link.addExtraPort("/tmp/norix-sim-pty", "Norix simulator");
    EXPECT_THAT(link.availablePorts(), ElementsAre(dir.file("ttyACM0"), "/tmp/norix-sim-pty"));
    EXPECT_EQ(link.portDisplayName("/tmp/norix-sim-pty"), "Norix simulator");
    EXPECT_EQ(link.portDisplayName(dir.file("ttyACM0")), dir.file("ttyACM0"));

    SerialPortManager missing(loop, dir.file("no-such-folder"));
    EXPECT_TRUE(missing.availablePorts().empty());
    EXPECT_EQ(missing.lastError(), "Unable to list serial ports: No such file or directory");
}

} // namespace
} // namespace norix
