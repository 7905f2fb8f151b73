#pragma once
// Test harnesses around the simulated Norix: on an in-memory pipe (PipeHarness),
// or on a pseudo-terminal with a ManualEventLoop, linked to the chip session
// (ChipSessionFixture) or to the font, image and settings conversations
// (ConversationFixture). The pseudo-terminal fixtures record every command the
// simulator receives; fault rules make it misbehave, and inject() hands the
// link an answer as if the Norix had sent it.

#include "core/chips/ChipFileCodec.h"
#include "core/chips/ChipSession.h"
#include "core/device/NorixConnection.h"
#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "sim/PtySimulator.h"
#include "sim/SimulatedNorix.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norix::testing {

inline Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A simulated Norix on an in-memory pipe: the test sends command packets and
// gets back the answer packets exactly as they were framed.
class PipeHarness {
public:
    explicit PipeHarness(sim::SimulatorConfig config = {}) : sim(loop, std::move(config)) {
        sim.attachPipe(
            [this](std::span<const std::uint8_t> bytes) {
                chunks.emplace_back(bytes.begin(), bytes.end());
                decoder.processReceivedBytes(bytes);
            },
            [this] { hungUp = true; });
    }

    // Sends one command and returns every answer that arrived while the loop ran.
    std::vector<SerialPacket> exchange(std::uint8_t code, Bytes payload = {},
                                       std::uint8_t sequence = 0x21) {
        answers.clear();
        chunks.clear();
        sim.receiveBytes(encodeFrame(SerialPacket{code, sequence, std::move(payload)}));
        loop.runPending();
        return answers;
    }

    // Sends one command that must get exactly one answer, and returns it.
    SerialPacket ask(std::uint8_t code, Bytes payload = {}, std::uint8_t sequence = 0x21) {
        auto received = exchange(code, std::move(payload), sequence);
        EXPECT_EQ(received.size(), 1u) << "command 0x" << std::hex << int(code);
        return received.empty() ? SerialPacket{0, 0, {}} : received.front();
    }

    // Sends a command that must be accepted with the given code (0xB0 or 0xB2).
    void expectAccepted(std::uint8_t code, Bytes payload, std::uint8_t acceptedCode) {
        const SerialPacket answer = ask(code, std::move(payload));
        EXPECT_EQ(answer.code, acceptedCode) << "command 0x" << std::hex << int(code);
    }

    ManualEventLoop loop;
    sim::SimulatedNorix sim;
    std::vector<SerialPacket> answers;
    std::vector<Bytes> chunks;
    std::vector<std::string> frameErrors;
    bool hungUp = false;
    FrameDecoder decoder{[this](const SerialPacket& packet) { answers.push_back(packet); },
                         [this](const std::string& error) { frameErrors.push_back(error); }};
};

// Sample memory: two chips, a 5-wide font in slot 0 (the default font), images in slots 1 and 3.
inline void fillSampleMemory(sim::NorixMemory& memory) {
    memory.storeChip(
        sim::makeStoredChip("7400", 4, 14, 0, {"Quad NAND", "", "Gate"}, Bytes{1, 2, 3, 4}), 10);
    memory.storeChip(sim::makeStoredChip("4116", 1, 16, 2, {}, Bytes(40, 0x11)), 10);
    memory.setFont(0, sim::makeStoredFont("Small", 5, 7, Bytes(5 * 3, 0x7F)));
    memory.setImage(1, sim::makeStoredImage("Logo", 2, 2, Bytes{4, 0xF8, 0x00}));
    memory.setImage(3, sim::makeStoredImage("Chip", 10, 10, Bytes{100, 0x00, 0x1F}));
}

// A link on a ManualEventLoop to a simulated Norix on a pseudo-terminal: the
// whole Norix connection, or (`Link` = SerialPortManager) a bare link.
template <typename Link> class PtyNorixFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.open()) << sim.lastError();
        sim.simulator().onExchange =
            [this](const SerialPacket& command, const std::optional<SerialPacket>&,
                   const std::optional<sim::FaultRule>&) { commands.push_back(command); };
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
            const std::size_t now = progress();
            quietRounds = now == seen ? quietRounds + 1 : 0;
            seen = now;
        }
    }
    // Grows whenever either end does something a test could wait for.
    virtual std::size_t progress() const { return commands.size() + log.size(); }

    // Moves the virtual clock on and lets any answers that fell due arrive.
    void advance(Milliseconds delta) {
        loop.advance(delta);
        settle();
    }

    // Delivers a packet to the link as if the Norix had sent it.
    void inject(const SerialPacket& packet) { link.processReceivedBytes(encodeFrame(packet)); }

    void addFault(std::optional<std::uint8_t> code, std::optional<unsigned> occurrence,
                  sim::FaultAction action, unsigned argument = 0) {
        sim.simulator().faults().add({code, occurrence, action, argument});
    }

    std::vector<SerialPacket> commandsWithCode(std::uint8_t code) const {
        std::vector<SerialPacket> found;
        std::copy_if(commands.begin(), commands.end(), std::back_inserter(found),
                     [code](const SerialPacket& packet) { return packet.code == code; });
        return found;
    }

    std::vector<std::string> log;
    ScopedDiagnosticSink logSink{[this](std::string_view line) { log.emplace_back(line); }};
    ManualEventLoop loop;
    sim::PtySimulator sim{loop};
    Link device{loop, "/dev"};
    SerialPortManager& link = linkOf(device);
    std::vector<SerialPacket> commands;

private:
    static SerialPortManager& linkOf(SerialPortManager& link) { return link; }
    static SerialPortManager& linkOf(NorixConnection& norix) { return norix.link(); }
};

// The link with its font, image and settings conversations.
class ConversationFixture : public PtyNorixFixture<NorixConnection> {
protected:
    void SetUp() override {
        PtyNorixFixture::SetUp();
        link.setRoute(lastRoute, [this](const SerialPacket& packet) {
            unclaimed.push_back(packet);
            return true;
        });
    }
    std::size_t progress() const override { return PtyNorixFixture::progress() + unclaimed.size(); }

    // Connects and waits until the initial font, image and settings requests are answered.
    void connect() {
        ASSERT_TRUE(link.connect(sim.slavePath())) << link.lastError().value_or("");
        settle();
        connectCommands = std::exchange(commands, {});
        unclaimed.clear();
        log.clear();
    }

    const SerialPacket& lastCommand() const { return commands.back(); }

    FontSlotConversation& fonts = device.fonts();
    ImageSlotConversation& images = device.images();
    SettingsConversation& settings = device.settings();
    std::vector<SerialPacket> connectCommands; // what the last connect() sent
    std::vector<SerialPacket> unclaimed;
};

// A program of `instructions` NOP-like lines that the compiler accepts.
inline std::string programOf(std::size_t instructions) {
    std::string code;
    for (std::size_t i = 0; i < instructions; ++i)
        code += "ENDTEST\n";
    return code;
}

// A ChipSession on the link, which writes to a terminal instead of a log.
class ChipSessionFixture : public PtyNorixFixture<SerialPortManager> {
protected:
    void SetUp() override {
        PtyNorixFixture::SetUp();
        sim.simulator().memory().clear();
        session.configureSerialPacketHandling();
        session.setFontListRequester([this] { ++fontListRequests; });
    }
    std::size_t progress() const override {
        return commands.size() + session.terminal().terminalLines().size();
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

    void inject(const SerialPacket& packet) {
        PtyNorixFixture::inject(packet);
        settle();
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
    // Position of the line in the terminal, or -1.
    long lineIndex(const std::string& line) const {
        const auto all = lines();
        const auto found = std::find(all.begin(), all.end(), line);
        return found == all.end() ? -1 : static_cast<long>(found - all.begin());
    }
    bool wrote(const std::string& line) const { return lineIndex(line) >= 0; }

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
        const auto path = folder / fileName;
        EXPECT_FALSE(ChipFileCodec::save(chip, path).has_value());
        return path;
    }

    ChipSession session{link};
    int fontListRequests = 0;
    TempFolder folder;
};

} // namespace norix::testing
