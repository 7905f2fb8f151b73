// The link on real pseudo-terminals: the test holds the master side as the Norix.

#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPort.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "tests/link/PtyDevice.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <termios.h>

namespace norix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::PtyDevice;
using testing::TempDirectory;

std::size_t openDescriptorCount() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}

class SerialLink : public ::testing::Test {
protected:
    SerialLink() {
        link.onDisconnected = [this] { ++disconnectedCalls; };
        link.addLifecycleHooks({[this] { events.push_back("fonts opened"); },
                                [this] { events.push_back("fonts reconnected"); },
                                [this] { events.push_back("fonts closed"); }});
        link.addLifecycleHooks({[this] { events.push_back("images opened"); }, nullptr, nullptr});
    }

    int failureLines() const {
        return static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& line) {
            return line.starts_with("SERIAL FAILURE: ");
        }));
    }
    // Lets the pseudo-terminal deliver what is in flight and posted work run.
    void settle() {
        loop.runUntil([] { return false; }, Milliseconds(100));
    }

    std::vector<std::string> log;
    ScopedDiagnosticSink sink{[this](std::string_view line) { log.emplace_back(line); }};
    TempDirectory dir;
    ManualEventLoop loop;
    SerialPortManager link{loop, dir.path()};
    std::vector<std::string> events;
    int disconnectedCalls = 0;
};

TEST_F(SerialLink, ConnectOpensTheLineRaw8N1At115200) {
    PtyDevice device;
    std::vector<bool> seenConnected; // what a window redrawing on `changed` would show
    auto subscription = link.changed.connect([&] { seenConnected.push_back(link.isConnected()); });
    ASSERT_TRUE(link.connect(device.slavePath()));
    ASSERT_FALSE(seenConnected.empty());
    EXPECT_TRUE(seenConnected.back());
    EXPECT_EQ(link.connectedPort(), device.slavePath());
    EXPECT_THAT(log, ElementsAre("Opening serial port: " + device.slavePath()));

    termios settings{};
    ASSERT_EQ(::tcgetattr(link.fileDescriptor(), &settings), 0);
    EXPECT_EQ(::cfgetispeed(&settings), B115200);
    EXPECT_EQ(::cfgetospeed(&settings), B115200);
    EXPECT_EQ(settings.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 0);
    EXPECT_EQ(settings.c_cc[VTIME], 1);
    EXPECT_TRUE(::fcntl(link.fileDescriptor(), F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(::fcntl(link.fileDescriptor(), F_GETFD) & FD_CLOEXEC);

    link.disconnect();
    EXPECT_FALSE(seenConnected.back());
    EXPECT_EQ(link.connectedPort(), std::nullopt);
}

// A port is this program's alone while it is open; the CLI test pins the busy text.
TEST_F(SerialLink, APortIsHeldAloneUntilItsLinkLetsGo) {
    PtyDevice device;
    ASSERT_TRUE(link.connect(device.slavePath()));
    SerialPortManager second{loop, dir.path()};
    EXPECT_FALSE(second.connect(device.slavePath()));
    link.disconnect();
    ASSERT_TRUE(second.connect(device.slavePath())) << second.lastError().value_or("");
}

TEST_F(SerialLink, FramesReadInPiecesArriveWholeAndInOrder) {
    PtyDevice device;
    ASSERT_TRUE(link.connect(device.slavePath()));
    Bytes seenByTerminal;
    std::vector<SerialPacket> packets;
    link.onBytesReceived = [&](const Bytes& chunk) {
        seenByTerminal.insert(seenByTerminal.end(), chunk.begin(), chunk.end());
    };
    link.setRoute(lastRoute, [&](const SerialPacket& packet) {
        packets.push_back(packet);
        return true;
    });

    // Far more than one read takes, so frames straddle the reads.
    std::vector<SerialPacket> sent;
    Bytes wire;
    for (int i = 0; i < 60; ++i) {
        sent.push_back(
            {respAck, static_cast<std::uint8_t>(i), Bytes(48, static_cast<std::uint8_t>(i))});
        const Bytes frame = encodeFrame(sent.back());
        wire.insert(wire.end(), frame.begin(), frame.end());
    }
    device.write(wire);
    ASSERT_TRUE(loop.runUntil([&] { return packets.size() == sent.size(); }));
    EXPECT_EQ(packets, sent);
    EXPECT_EQ(seenByTerminal, wire);
}

TEST_F(SerialLink, PacketsReadAfterTheLinkWentDownAreNotRouted) {
    PtyDevice device;
    ASSERT_TRUE(link.connect(device.slavePath()));
    std::vector<SerialPacket> packets;
    link.setRoute(lastRoute, [&](const SerialPacket& packet) {
        packets.push_back(packet);
        link.disconnect();
        return true;
    });
    Bytes twoFrames = encodeFrame({respDone, 1, {}});
    const Bytes second = encodeFrame({respDone, 2, {}});
    twoFrames.insert(twoFrames.end(), second.begin(), second.end());
    device.write(twoFrames);
    ASSERT_TRUE(loop.runUntil([&] { return !link.isConnected(); }));
    settle();
    EXPECT_EQ(packets, (std::vector<SerialPacket>{{respDone, 1, {}}}));
}

// onDisconnected: posted once for a connection that went away, never for a
// link that was closed already or replaced by a new connect.
TEST_F(SerialLink, DisconnectIsAnnouncedOnlyForALiveConnection) {
    PtyDevice first, second;
    ASSERT_TRUE(link.connect(first.slavePath()));
    ASSERT_TRUE(link.connect(second.slavePath()));
    EXPECT_EQ(link.connectedPort(), second.slavePath());
    link.disconnect();
    EXPECT_EQ(disconnectedCalls, 0) << "posted, never called from inside the operation";
    link.disconnect();
    settle();
    EXPECT_EQ(disconnectedCalls, 1);
}

// However an outage shows itself first, it gets one reaction: one failure
// line, the link closed, a reconnect planned, one disconnect notification.
enum class OutageKind { endOfFileFirst, writeErrorFirst, goneDuringFirstRequests, stuckWrite };

struct OutageCase {
    const char* name;
    OutageKind kind;
    std::string failure;
    // A send after the loss says why it sent nothing.
    std::string lastError = "Serial connection was interrupted. Reconnecting, attempt 1\u2026";
    friend void PrintTo(const OutageCase& c, std::ostream* os) { *os << c.name; }
};

class Outage : public SerialLink, public ::testing::WithParamInterface<OutageCase> {};

TEST_P(Outage, GetsOneReactionAndAReconnect) {
    const OutageKind kind = GetParam().kind;
    PtyDevice device;
    // Whoever is told of the failure through `changed` and writes meets the same outage.
    int writesOnFailure = 0;
    auto writer = link.changed.connect([&] {
        if (link.isConnected() && link.lastError() && writesOnFailure++ == 0)
            link.send(Bytes{0});
    });
    if (kind == OutageKind::goneDuringFirstRequests) {
        link.addLifecycleHooks({[&] {
                                    device.unplug();
                                    EXPECT_FALSE(link.sendPacket(cmdSettings).has_value());
                                },
                                nullptr, nullptr});
        // Hooks after the one that lost the device never run.
        link.addLifecycleHooks({[] { ADD_FAILURE(); }, nullptr, nullptr});
        EXPECT_FALSE(link.connect(device.slavePath()));
    } else {
        ASSERT_TRUE(link.connect(device.slavePath()));
        if (kind == OutageKind::stuckWrite) {
            EXPECT_FALSE(link.send(Bytes(1 << 20, 0x55))); // nobody reads the other side
        } else {
            device.unplug();
            if (kind == OutageKind::endOfFileFirst) {
                ASSERT_TRUE(loop.runUntil([&] { return !link.isConnected(); }));
            }
            EXPECT_FALSE(link.sendPacket(cmdSendImageCount).has_value());
        }
    }
    settle();
    EXPECT_EQ(failureLines(), 1);
    EXPECT_THAT(log, ::testing::Contains("SERIAL FAILURE: " + GetParam().failure));
    EXPECT_FALSE(link.isConnected());
    EXPECT_EQ(link.fileDescriptor(), -1);
    EXPECT_EQ(link.lastError(), GetParam().lastError);
    EXPECT_EQ(link.reconnectAttempt(), 1);
    EXPECT_TRUE(link.isReconnectPending());
    EXPECT_EQ(disconnectedCalls, 1);
    EXPECT_THAT(events,
                ElementsAre("fonts closed", "fonts opened", "images opened", "fonts closed"));
}

const std::string writeLost = "Norix disconnected during a write: Input/output error";

INSTANTIATE_TEST_SUITE_P(
    Cases, Outage,
    ::testing::Values(
        OutageCase{"EndOfFileFirst", OutageKind::endOfFileFirst,
                   "Norix closed the serial connection.", "No serial port is connected."},
        OutageCase{"WriteErrorFirst", OutageKind::writeErrorFirst, writeLost},
        OutageCase{"GoneDuringTheFirstRequests", OutageKind::goneDuringFirstRequests, writeLost},
        OutageCase{"WriteThatCannotFinish", OutageKind::stuckWrite,
                   "Serial write timed out after 500 ms."}),
    testing::PrintedName());

// The Norix comes back after some failed attempts a second apart, or not
// within three, when the link gives up.
class Reconnect : public SerialLink, public ::testing::WithParamInterface<int> {};

TEST_P(Reconnect, TriesThreeTimesASecondApart) {
    const int failedAttempts = GetParam();
    auto device = std::make_unique<PtyDevice>();
    const std::string port = dir.link("ttyACM0", device->slavePath());
    ASSERT_TRUE(link.connect(port));
    ASSERT_EQ(link.sendPacket(cmdSendFontMeta, Bytes{0}), 0);
    device.reset();
    ASSERT_TRUE(loop.runUntil([&] { return !link.isConnected(); }));
    // Another test process may be given the freed pseudo-terminal's number:
    // the port must stay gone, not come back as somebody else's device.
    dir.link("ttyACM0", "/dev/pts/norix-test-gone");

    for (int attempt = 1; attempt <= failedAttempts; ++attempt) {
        const std::string waiting = "Serial connection was interrupted. Reconnecting, attempt " +
                                    std::to_string(attempt) + "\u2026";
        loop.advance(Milliseconds(999));
        EXPECT_EQ(link.lastError(), waiting);
        loop.advance(Milliseconds(1));
    }
    if (failedAttempts == SerialPortManager::maximumReconnectAttempts) {
        EXPECT_FALSE(link.isReconnectPending());
        loop.advance(Milliseconds(5000));
        EXPECT_EQ(link.lastError(), "Could not reconnect to Norix after 3 attempts.");
        EXPECT_EQ(failureLines(), 1);
        EXPECT_EQ(disconnectedCalls, 1);
        return;
    }
    events.clear();
    device = std::make_unique<PtyDevice>();
    dir.link("ttyACM0", device->slavePath());
    loop.advance(Milliseconds(1000));

    ASSERT_TRUE(link.isConnected());
    EXPECT_EQ(link.connectedPort(), port);
    EXPECT_EQ(link.lastError(), std::nullopt);
    EXPECT_THAT(events,
                ElementsAre("fonts closed", "fonts opened", "images opened", "fonts reconnected"));
    // The sequence counter lives on across connections.
    EXPECT_EQ(link.sendPacket(cmdSendFontMeta, Bytes{0}), 1);
    EXPECT_EQ(device->read(), encodeFrame({cmdSendFontMeta, 1, {0}}));
}

INSTANTIATE_TEST_SUITE_P(FailedAttempts, Reconnect, ::testing::Values(0, 1, 2, 3),
                         [](const auto& testInfo) {
                             return testInfo.param == 3
                                        ? std::string("NeverBack")
                                        : "BackAfter" + std::to_string(testInfo.param);
                         });

// A requested port that vanished is followed only to a single other
// candidate, and never to the built-in simulator.
TEST_F(SerialLink, AVanishedPortIsFollowedOnlyToASingleCandidate) {
    PtyDevice device, simulator;
    link.addExtraPort(simulator.slavePath(), "Norix simulator");
    const std::string requested = dir.file("cu.usbmodem1101");
    EXPECT_FALSE(link.connect(requested));
    EXPECT_EQ(link.lastError(), "Serial device is no longer available. Refresh the port list and "
                                "select it again.");
    dir.link("ttyACM0", device.slavePath());
    dir.link("cu.usbmodem2201", device.slavePath());
    EXPECT_FALSE(link.connect(requested)) << "two candidates";
    std::filesystem::remove(dir.file("ttyACM0"));
    ASSERT_TRUE(link.connect(requested));
    const std::string followed = dir.file("cu.usbmodem2201");
    EXPECT_EQ(link.connectedPort(), followed);
    EXPECT_EQ(link.lastError(), std::nullopt) << "the failure before is over";
    EXPECT_EQ(log.front(), "Serial port changed from " + requested + " to " + followed);
}

// A failed connect says which step failed and leaves no descriptor behind.
TEST_F(SerialLink, AFailedConnectReportsItsStepAndLeaksNothing) {
    PtyDevice device;
    const std::string notATerminal = dir.file("ttyACM0");
    std::ofstream(notATerminal).put('x');
    const std::string folder = dir.file("ttyUSB0");
    std::filesystem::create_directory(folder);
    const std::size_t descriptors = openDescriptorCount();

    EXPECT_FALSE(link.connect(notATerminal));
    EXPECT_EQ(link.lastError(), "Unable to read serial settings: Inappropriate ioctl for device");
    EXPECT_FALSE(link.connect(folder));
    EXPECT_EQ(link.lastError(), "Unable to open " + folder + ": Is a directory");
    EXPECT_FALSE(link.connect(device.slavePath(), 12345));
    EXPECT_EQ(link.lastError(), "Unable to configure serial port: Invalid argument");
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

TEST(OpenFailureMessage, PermissionDeniedExplainsHowToGetAccess) {
    const std::string denied = openFailureMessage("/dev/ttyACM0", EACCES);
    EXPECT_TRUE(denied.starts_with("Unable to open /dev/ttyACM0: Permission denied"));
    EXPECT_THAT(denied, HasSubstr("dialout"));
}

} // namespace
} // namespace norix
