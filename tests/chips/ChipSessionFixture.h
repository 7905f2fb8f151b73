#pragma once
// A ChipSession on a ManualEventLoop, linked to a simulated Norix on a
// pseudo-terminal. Every command the simulator receives is recorded; fault
// rules make it misbehave, and inject() hands the session an answer as if
// the Norix had sent it (for payloads no well-behaved device would send).

#include "core/chips/ChipFileCodec.h"
#include "core/chips/ChipSession.h"
#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "sim/PtySimulator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace norix::testing {

// A program of `instructions` NOP-like lines that the compiler accepts.
inline std::string programOf(std::size_t instructions) {
    std::string code;
    for (std::size_t i = 0; i < instructions; ++i)
        code += "ENDTEST\n";
    return code;
}

class ChipSessionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.open()) << sim.lastError();
        sim.simulator().memory().clear();
        sim.simulator().onExchange =
            [this](const SerialPacket& command, const std::optional<SerialPacket>&,
                   const std::optional<FaultRule>&) { commands.push_back(command); };
        session.configureSerialPacketHandling();
        session.setFontListRequester([this] { ++fontListRequests; });
    }

    // Connects, lets the handshake and the chip list run, then forgets what they wrote.
    void connect() {
        session.setSelectedPort(sim.slavePath());
        ASSERT_TRUE(link.connect(sim.slavePath())) << link.lastError().value_or("");
        settle();
        advance(serialNumberRequestDelay);
        advance(connectionStepDelay);
        advance(connectionStepDelay);
        clearRecords();
    }

    void clearRecords() {
        commands.clear();
        session.terminal().clear();
    }

    bool runUntil(const std::function<bool()>& done) {
        return loop.runUntil(done, Milliseconds(5000));
    }

    // Serves both ends until nothing has moved for a short while.
    void settle() {
        std::size_t seen = 0;
        for (int quietRounds = 0; quietRounds < 3;) {
            loop.runUntil([] { return false; }, Milliseconds(10));
            const std::size_t now = commands.size() + session.terminal().terminalLines().size();
            quietRounds = now == seen ? quietRounds + 1 : 0;
            seen = now;
        }
    }

    void advance(Milliseconds delta) {
        loop.advance(delta);
        settle();
    }

    void inject(const SerialPacket& packet) {
        link.processReceivedBytes(encodeFrame(packet));
        settle();
    }

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
    std::vector<std::uint8_t> commandCodes() const {
        std::vector<std::uint8_t> codes;
        for (const auto& command : commands)
            codes.push_back(command.code);
        return codes;
    }

    std::vector<std::string> lines() const {
        const auto& stored = session.terminal().terminalLines();
        return {stored.begin(), stored.end()};
    }
    bool wrote(const std::string& line) const {
        const auto all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    // Position of the line in the terminal, or -1.
    long lineIndex(const std::string& line) const {
        const auto all = lines();
        const auto found = std::find(all.begin(), all.end(), line);
        return found == all.end() ? -1 : static_cast<long>(found - all.begin());
    }

    void setChip(const std::string& name, const std::string& code, std::int64_t pins = 14,
                 std::int64_t type = 1) {
        session.editor().setChipName(name);
        session.editor().setChipCode(code);
        session.editor().setSelectedPins(pins);
        session.editor().setSelectedType(type);
    }

    // Upload-mode check, then send; runs until the upload ends.
    void sendChip() {
        session.sendToNorixPressed();
        settle();
    }

    // A chip file in a scratch folder of this test.
    std::filesystem::path writeChipFile(const std::string& fileName, const ChipDocument& chip) {
        if (folder.empty()) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            std::string name = info->name();
            std::replace(name.begin(), name.end(), '/', '_');
            folder = std::filesystem::temp_directory_path() /
                     ("norix-chips-" + std::to_string(::getpid()) + "-" + name);
            std::filesystem::remove_all(folder);
            std::filesystem::create_directories(folder);
        }
        const auto path = folder / fileName;
        EXPECT_FALSE(ChipFileCodec::save(chip, path).has_value());
        return path;
    }

    void TearDown() override {
        if (!folder.empty())
            std::filesystem::remove_all(folder);
    }

    std::vector<std::string> diagnostics;
    ScopedDiagnosticSink diagnosticSink{
        [this](std::string_view line) { diagnostics.emplace_back(line); }};
    ManualEventLoop loop;
    PtySimulator sim{loop};
    SerialPortManager link{loop, "/dev", LinkConversations::None};
    ChipSession session{link};
    std::vector<SerialPacket> commands;
    int fontListRequests = 0;
    std::filesystem::path folder;
};

} // namespace norix::testing
