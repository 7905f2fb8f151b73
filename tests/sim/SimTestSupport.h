#pragma once
// A simulated Norix on an in-memory pipe and a ManualEventLoop: the test sends
// command packets and gets back the answer packets exactly as they were framed.

#include "core/link/FrameCodec.h"
#include "core/loop/ManualEventLoop.h"
#include "sim/SimulatedNorix.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace norix::testing {

inline Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class PipeHarness {
public:
    explicit PipeHarness(SimulatorConfig config = {}) : sim(loop, std::move(config)) {
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
    SimulatedNorix sim;
    std::vector<SerialPacket> answers;
    std::vector<Bytes> chunks;
    std::vector<std::string> frameErrors;
    bool hungUp = false;
    FrameDecoder decoder{[this](const SerialPacket& packet) { answers.push_back(packet); },
                         [this](const std::string& error) { frameErrors.push_back(error); }};
};

// Sample memory: two chips, a 5-wide font in slot 0 (the default font), images in slots 1 and 3.
inline void fillSampleMemory(NorixMemory& memory) {
    memory.storeChip(makeStoredChip("7400", 4, 14, 0, {"Quad NAND", "", "Gate"}, Bytes{1, 2, 3, 4}),
                     10);
    memory.storeChip(makeStoredChip("4116", 1, 16, 2, {}, Bytes(40, 0x11)), 10);
    memory.setFont(0, makeStoredFont("Small", 5, 7, Bytes(5 * 3, 0x7F)));
    memory.setImage(1, makeStoredImage("Logo", 2, 2, Bytes{4, 0xF8, 0x00}));
    memory.setImage(3, makeStoredImage("Chip", 10, 10, Bytes{100, 0x00, 0x1F}));
}

} // namespace norix::testing
