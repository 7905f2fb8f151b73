// The simulated Norix given any sequence of commands: it must never crash and
// must answer every command exactly once, with the command's sequence number.
// The input is read as records: code, payload length, payload bytes.

#include "core/link/FrameCodec.h"
#include "core/loop/ManualEventLoop.h"
#include "sim/SimulatedNorix.h"

#include <cstdlib>

using namespace norix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ManualEventLoop loop;
    sim::SimulatorConfig config;
    config.chipPartSize = 17;
    config.imagePieceSize = 23;
    sim::SimulatedNorix sim(loop, config);
    sim.memory().setFont(0, sim::makeStoredFont("F", 2, 8, Bytes{1, 2, 3, 4}));
    sim.memory().setImage(1, sim::makeStoredImage("I", 1, 1, Bytes{1, 0, 0}));
    std::vector<SerialPacket> answers;
    FrameDecoder decoder([&](const SerialPacket& packet) { answers.push_back(packet); },
                         [](const std::string&) { std::abort(); });
    sim.attachPipe(
        [&](std::span<const std::uint8_t> bytes) { decoder.processReceivedBytes(bytes); });

    std::size_t offset = 0;
    std::uint8_t sequence = 0;
    while (offset + 2 <= size) {
        const std::uint8_t code = data[offset];
        const std::size_t length = std::min<std::size_t>(data[offset + 1], size - offset - 2);
        const Bytes payload(data + offset + 2, data + offset + 2 + length);
        offset += 2 + length;
        answers.clear();
        sim.receiveBytes(encodeFrame(SerialPacket{code, ++sequence, payload}));
        loop.runPending();
        if (answers.size() != 1 || answers[0].sequence != sequence)
            std::abort();
    }
    return 0;
}
