// Uploads through the link's own conversations to the simulated Norix on a
// pseudo-terminal: an image of 4,095 compressed bytes (the largest whole
// number of RLE records under the 4,096-byte limit) and an 8×8 font of 95
// glyphs. Each is compared with its floor, measured in the same run and
// alternating with it: the same number of round trips of the same payload
// sizes to a peer that only echoes. The counters give both medians and their
// ratio, and the same for the fastest pass of each.

#include "bench/PtyEchoPeer.h"
#include "core/device/NorixConnection.h"
#include "core/images/ImageRLE.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/PollEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "sim/PtySimulator.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <vector>

namespace norix {
namespace {

constexpr Milliseconds patience{5000};

// Begin (a few bytes), the 128-byte metadata in chunks, save, data begin, the
// data in chunks, save: the payload sizes of one upload, in order.
std::vector<std::size_t> uploadPayloadSizes(std::size_t beginSize, std::size_t dataSize) {
    std::vector<std::size_t> sizes{beginSize, 48, 48, 32, 0, 2};
    for (std::size_t offset = 0; offset < dataSize; offset += 48)
        sizes.push_back(std::min<std::size_t>(48, dataSize - offset));
    sizes.push_back(0);
    return sizes;
}

double echoFloorSeconds(PollEventLoop& loop, SerialPortManager& link,
                        const std::vector<std::size_t>& sizes) {
    std::optional<std::uint8_t> answered;
    link.setRoute(lastRoute, [&](const SerialPacket& packet) {
        answered = packet.sequence;
        return true;
    });
    const Bytes payload(chunkedUploadMetadataSize, 0x5A);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t size : sizes) {
        answered.reset();
        const auto sequence = link.sendPacket(cmdImageDataChunk, std::span(payload.data(), size));
        if (!sequence || !loop.runUntil([&] { return answered == sequence; }, patience))
            return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs `upload` against the simulator and the echo floor alternately; `busy`
// tells when the upload is still running, `quiet` when the link has nothing
// left in flight (the lists read after an upload).
void measure(benchmark::State& state, const std::vector<std::size_t>& sizes,
             const std::function<void(NorixConnection&)>& upload,
             const std::function<bool(NorixConnection&)>& busy) {
    ScopedDiagnosticSink silent{[](std::string_view) {}};
    PollEventLoop loop;
    bench::PtyEchoPeer peer(loop);
    SerialPortManager echoLink(loop, "/nonexistent-norix-bench");
    sim::PtySimulator sim(loop);
    if (!echoLink.connect(peer.slavePath()) || !sim.open()) {
        state.SkipWithError("could not open the pseudo-terminals");
        return;
    }
    NorixConnection norix(loop, "/nonexistent-norix-bench");
    SerialPortManager& link = norix.link();
    const auto idle = [&] {
        return !norix.fonts().isLoadingFontList() && !norix.images().isLoadingImageList() &&
               !norix.settings().isUpdatingSettings() && !busy(norix);
    };
    if (!link.connect(sim.slavePath()) || !loop.runUntil(idle, patience)) {
        state.SkipWithError("could not connect to the simulator");
        return;
    }

    std::vector<double> floors, times;
    for (auto _ : state) {
        floors.push_back(echoFloorSeconds(loop, echoLink, sizes));
        if (floors.back() < 0) {
            state.SkipWithError("no echo");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        upload(norix);
        if (!loop.runUntil([&] { return !busy(norix); }, patience)) {
            state.SkipWithError("the upload did not complete");
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        times.push_back(seconds);
        state.SetIterationTime(seconds);
        if (!loop.runUntil(idle, patience)) {
            state.SkipWithError("the link did not settle");
            return;
        }
    }
    std::sort(times.begin(), times.end());
    std::sort(floors.begin(), floors.end());
    const double floor = floors[floors.size() / 2];
    const double median = times[times.size() / 2];
    state.counters["floor_ms"] = floor * 1000;
    state.counters["median_ms"] = median * 1000;
    state.counters["ratio"] = median / floor;
    // The machine is shared: the fastest pass of each is the least disturbed one.
    state.counters["best_floor_ms"] = floors.front() * 1000;
    state.counters["best_ms"] = times.front() * 1000;
    state.counters["best_ratio"] = times.front() / floors.front();
    state.counters["round_trips"] = static_cast<double>(sizes.size());
}

void BM_UploadImage4095Bytes(benchmark::State& state) {
    std::vector<std::uint16_t> pixels(1365);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint16_t>(i * 2654435761u);
    const Bytes rle = rebuildCompressedImageData(pixels);
    measure(
        state, uploadPayloadSizes(2, rle.size()),
        [&](NorixConnection& norix) { norix.images().uploadNorixImage("Bench", 35, 39, rle); },
        [](NorixConnection& norix) { return norix.images().isUploadingNorixImage(); });
    state.counters["data_bytes"] = static_cast<double>(rle.size());
}
BENCHMARK(BM_UploadImage4095Bytes)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(21);

void BM_UploadFont8x8With95Glyphs(benchmark::State& state) {
    std::vector<std::uint64_t> columns(8 * 95);
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = (i * 29) & 0xFF;
    measure(
        state, uploadPayloadSizes(3, columns.size()),
        [&](NorixConnection& norix) { norix.fonts().uploadFont("Bench", 8, 8, columns, 3); },
        [](NorixConnection& norix) { return norix.fonts().isUploadingFont(); });
    state.counters["data_bytes"] = static_cast<double>(columns.size());
}
BENCHMARK(BM_UploadFont8x8With95Glyphs)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(21);

} // namespace
} // namespace norix
