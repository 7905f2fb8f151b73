#pragma once
// A SerialPortManager with its font, image and settings conversations,
// connected on a ManualEventLoop to a simulated Norix on a pseudo-terminal.
// Every command the simulator receives is recorded; its fault rules make it
// misbehave; inject() delivers a hand-made answer as if the Norix had sent it.

#include "core/fonts/FontSlotConversation.h"
#include "core/images/ImageSlotConversation.h"
#include "core/link/FrameCodec.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/settings/SettingsConversation.h"
#include "core/util/DiagnosticLog.h"
#include "sim/PtySimulator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace norix::testing {

class ConversationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.open()) << sim.lastError();
        sim.simulator().onExchange =
            [this](const SerialPacket& command, const std::optional<SerialPacket>&,
                   const std::optional<FaultRule>&) { commands.push_back(command); };
        link.onPacketReceived = [this](const SerialPacket& packet) { unclaimed.push_back(packet); };
    }

    // Connects and waits until the initial font, image and settings requests are answered.
    void connect() {
        ASSERT_TRUE(link.connect(sim.slavePath())) << link.lastError().value_or("");
        settle();
        connectCommands = std::exchange(commands, {});
        unclaimed.clear();
        log.clear();
    }

    // Runs the loop (real time for the pty, virtual clock standing still) until
    // the predicate holds.
    bool runUntil(const std::function<bool()>& done) {
        return loop.runUntil(done, Milliseconds(5000));
    }

    // Serves both ends until nothing has moved for a short while.
    void settle() {
        std::size_t seen = 0;
        for (int quietRounds = 0; quietRounds < 3;) {
            loop.runUntil([] { return false; }, Milliseconds(15));
            const std::size_t now = commands.size() + unclaimed.size() + log.size();
            quietRounds = now == seen ? quietRounds + 1 : 0;
            seen = now;
        }
    }

    // Moves the virtual clock on and lets any answers that fell due arrive.
    void advance(Milliseconds delta) {
        loop.advance(delta);
        settle();
    }

    // Delivers a packet to the link as if the Norix had sent it.
    void inject(const SerialPacket& packet) { link.processReceivedBytes(encodeFrame(packet)); }

    void addFault(std::optional<std::uint8_t> code, std::optional<unsigned> occurrence,
                  FaultAction action, unsigned argument = 0) {
        sim.simulator().faults().add({code, occurrence, action, argument});
    }

    std::vector<SerialPacket> commandsWithCode(std::uint8_t code) const {
        std::vector<SerialPacket> found;
        std::copy_if(commands.begin(), commands.end(), std::back_inserter(found),
                     [code](const SerialPacket& packet) { return packet.code == code; });
        return found;
    }
    const SerialPacket& lastCommand() const { return commands.back(); }

    bool logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    std::vector<std::string> log;
    ScopedDiagnosticSink logSink{[this](std::string_view line) { log.emplace_back(line); }};
    ManualEventLoop loop;
    PtySimulator sim{loop};
    SerialPortManager link{loop, "/dev", LinkConversations::Included};
    FontSlotConversation& fonts = link.fonts();
    ImageSlotConversation& images = link.images();
    SettingsConversation& settings = link.settings();
    std::vector<SerialPacket> commands;
    std::vector<SerialPacket> connectCommands; // what the last connect() sent
    std::vector<SerialPacket> unclaimed;
};

} // namespace norix::testing
