// The link's own cost: framing a 63-byte packet each way, and one request and
// its answer through a pseudo-terminal with an echoing peer (the floor that
// the conversations are compared with).

#include "bench/PtyEchoPeer.h"
#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/PollEventLoop.h"
#include "core/util/DiagnosticLog.h"

#include <benchmark/benchmark.h>
#include <numeric>

namespace norix {
namespace {

constexpr std::size_t payloadSize = 63;

SerialPacket samplePacket() {
    Bytes payload(payloadSize);
    // Includes zero bytes, as code and string chunks do, so COBS has blocks to cut.
    std::iota(payload.begin(), payload.end(), std::uint8_t{0});
    return {cmdChipCodeChunk, 0x2A, payload};
}

void BM_EncodeFrame(benchmark::State& state) {
    const SerialPacket packet = samplePacket();
    for (auto _ : state) {
        Bytes frame = encodeFrame(packet);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * payloadSize));
}
BENCHMARK(BM_EncodeFrame);

void BM_DecodeFrame(benchmark::State& state) {
    const Bytes frame = encodeFrame(samplePacket());
    std::size_t packets = 0;
    FrameDecoder decoder([&](const SerialPacket& packet) { packets += packet.payload.size(); },
                         [](const std::string&) { std::abort(); });
    for (auto _ : state)
        decoder.processReceivedBytes(frame);
    benchmark::DoNotOptimize(packets);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * payloadSize));
}
BENCHMARK(BM_DecodeFrame);

// One 63-byte command out, the same frame back, routed to the last route.
void BM_EchoRoundTrip(benchmark::State& state) {
    ScopedDiagnosticSink quiet{[](std::string_view) {}};
    PollEventLoop loop;
    bench::PtyEchoPeer peer(loop);
    SerialPortManager link(loop, "/nonexistent-norix-bench");
    if (!link.connect(peer.slavePath())) {
        state.SkipWithError(link.lastError().value_or("connect failed").c_str());
        return;
    }
    const SerialPacket packet = samplePacket();
    std::optional<std::uint8_t> answered;
    link.setRoute(lastRoute, [&](const SerialPacket& received) {
        answered = received.sequence;
        return true;
    });
    for (auto _ : state) {
        answered.reset();
        const auto sequence = link.sendPacket(packet.code, packet.payload);
        if (!sequence || !loop.runUntil([&] { return answered == sequence; }, Milliseconds(1000))) {
            state.SkipWithError("no echo within a second");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * payloadSize));
}
BENCHMARK(BM_EchoRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace norix
