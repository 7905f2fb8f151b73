// A chip of 4,095 instructions (65,520 bytes of code, 1,040 code chunks) sent
// and stored through ChipSession to the simulated Norix on a pseudo-terminal,
// against the floor: the same number of round trips of the same packet sizes
// to a peer that only echoes. Both run in this program so that they meet the
// same machine load, alternating; the counters give both medians and their ratio.

#include "bench/PtyEchoPeer.h"
#include "core/chips/ChipSession.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/PollEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "sim/PtySimulator.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace norix {
namespace {

constexpr std::size_t instructionCount = 4095;
constexpr Milliseconds patience{5000};

std::string largeProgram() {
    std::string code;
    for (std::size_t i = 0; i < instructionCount; ++i)
        code += "ENDTEST\n";
    return code;
}

// The payload sizes of one send and store, in order: metadata, strings begin,
// nine string chunks, strings end, code length, 1,040 code chunks, store.
std::vector<std::size_t> uploadPayloadSizes() {
    std::vector<std::size_t> sizes = {chipUploadMetadataSize, 0};
    for (std::size_t offset = 0; offset < chipStringsSize; offset += chipUploadChunkSize)
        sizes.push_back(std::min(chipUploadChunkSize, chipStringsSize - offset));
    sizes.insert(sizes.end(), {0, 2});
    const std::size_t codeSize = instructionCount * 16;
    for (std::size_t offset = 0; offset < codeSize; offset += chipUploadChunkSize)
        sizes.push_back(std::min(chipUploadChunkSize, codeSize - offset));
    sizes.push_back(0);
    return sizes;
}

// Seconds for one pass of round trips of `sizes` through an echoing pseudo-terminal.
double echoFloorSeconds(PollEventLoop& loop, SerialPortManager& link,
                        const std::vector<std::size_t>& sizes) {
    std::optional<std::uint8_t> answered;
    link.setRoute(lastRoute, [&](const SerialPacket& packet) {
        answered = packet.sequence;
        return true;
    });
    const Bytes payload(chipUploadChunkSize + chipUploadMetadataSize, 0x5A);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t size : sizes) {
        answered.reset();
        const auto sequence = link.sendPacket(cmdChipCodeChunk, std::span(payload.data(), size));
        if (!sequence || !loop.runUntil([&] { return answered == sequence; }, patience))
            return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SendAndStoreChip(benchmark::State& state) {
    ScopedDiagnosticSink quiet{[](std::string_view) {}};
    PollEventLoop loop;

    // The floor, measured here as well so that the ratio compares like with like.
    bench::PtyEchoPeer peer(loop);
    SerialPortManager echoLink(loop, "/nonexistent-norix-bench");
    if (!echoLink.connect(peer.slavePath())) {
        state.SkipWithError("could not open the echo peer");
        return;
    }
    const auto sizes = uploadPayloadSizes();
    std::vector<double> floors;

    sim::PtySimulator sim(loop);
    if (!sim.open()) {
        state.SkipWithError(sim.lastError().c_str());
        return;
    }
    SerialPortManager link(loop, "/nonexistent-norix-bench");
    if (!link.connect(sim.slavePath())) {
        state.SkipWithError("could not open the simulator");
        return;
    }
    // Made after the connect, so no identification runs during the measurement.
    ChipSession session(link);
    session.configureSerialPacketHandling();
    session.editor().setChipName("BIG");
    session.editor().setSelectedType(4);
    session.editor().setSelectedPins(40);
    session.editor().setChipCode(largeProgram());

    std::size_t stored = 0;
    auto storedConnection = session.upload().chipStored.connect([&] { ++stored; });
    std::vector<double> times;
    for (auto _ : state) {
        // Floor and chip alternate, so that both see the same load of the machine.
        floors.push_back(echoFloorSeconds(loop, echoLink, sizes));
        if (floors.back() < 0) {
            state.SkipWithError("no echo");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const std::size_t before = stored;
        if (!session.sendChipToNorix() ||
            !loop.runUntil([&] { return session.hasUploadedChip(); }, patience) ||
            !session.saveUploadedChipToNorix() ||
            !loop.runUntil([&] { return stored > before; }, patience)) {
            state.SkipWithError("the upload did not complete");
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        times.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    std::sort(times.begin(), times.end());
    std::sort(floors.begin(), floors.end());
    const double floor = floors[floors.size() / 2];
    const double median = times[times.size() / 2];
    state.counters["floor_ms"] = floor * 1000;
    state.counters["median_ms"] = median * 1000;
    state.counters["ratio"] = median / floor;
    state.counters["round_trips"] = static_cast<double>(sizes.size());
    state.counters["code_chunks"] =
        static_cast<double>((session.upload().uploadCodeBytes().size() + chipUploadChunkSize - 1) /
                            chipUploadChunkSize);
}
BENCHMARK(BM_SendAndStoreChip)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(7);

} // namespace
} // namespace norix
