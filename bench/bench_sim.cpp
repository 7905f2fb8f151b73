// Answer latency of the simulated Norix on a pseudo-terminal, from the request
// written by the link to the answer routed to the last route, against the
// floor of a peer that only echoes the bytes back. Both run in the same
// process on the same loop; BM_SimAgainstEchoFloor alternates them and reports
// both figures and their ratio (the simulator should stay within 1.5×).

#include "bench/PtyEchoPeer.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/PollEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "sim/PtySimulator.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <optional>

namespace norix {
namespace {

// A link whose last answer is remembered by sequence.
struct BenchLink {
    BenchLink(PollEventLoop& loop, const std::string& port)
        : link(loop, "/nonexistent-norix-bench") {
        connected = link.connect(port);
        link.setRoute(lastRoute, [this](const SerialPacket& packet) {
            answered = packet.sequence;
            return true;
        });
    }
    // One request and its answer; false when nothing came back within a second.
    bool roundTrip(PollEventLoop& loop, std::uint8_t code, const Bytes& payload) {
        answered.reset();
        const auto sequence = link.sendPacket(code, payload);
        return sequence && loop.runUntil([&] { return answered == sequence; }, Milliseconds(1000));
    }
    SerialPortManager link;
    bool connected = false;
    std::optional<std::uint8_t> answered;
};

struct Setup {
    ScopedDiagnosticSink quiet{[](std::string_view) {}};
    PollEventLoop loop;
    bench::PtyEchoPeer echo{loop};
    sim::PtySimulator sim{loop};
    std::unique_ptr<BenchLink> echoLink;
    std::unique_ptr<BenchLink> simLink;

    bool start(benchmark::State& state) {
        if (!sim.open()) {
            state.SkipWithError(sim.lastError().c_str());
            return false;
        }
        echoLink = std::make_unique<BenchLink>(loop, echo.slavePath());
        simLink = std::make_unique<BenchLink>(loop, sim.slavePath());
        if (!echoLink->connected || !simLink->connected) {
            state.SkipWithError("could not connect");
            return false;
        }
        return true;
    }
};

// The serial-number request and a settings read: the two smallest answers.
const Bytes settingsRead{settingsGetAll};

void BM_SimSerialNumber(benchmark::State& state) {
    Setup setup;
    if (!setup.start(state))
        return;
    for (auto _ : state) {
        if (!setup.simLink->roundTrip(setup.loop, cmdSerialNumber, {})) {
            state.SkipWithError("no answer within a second");
            return;
        }
    }
}
BENCHMARK(BM_SimSerialNumber)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_EchoFloor(benchmark::State& state) {
    Setup setup;
    if (!setup.start(state))
        return;
    for (auto _ : state) {
        if (!setup.echoLink->roundTrip(setup.loop, cmdSerialNumber, {})) {
            state.SkipWithError("no echo within a second");
            return;
        }
    }
}
BENCHMARK(BM_EchoFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Alternates the two, so that both figures come from the same moments of the machine.
void BM_SimAgainstEchoFloor(benchmark::State& state) {
    Setup setup;
    if (!setup.start(state))
        return;
    using Clock = std::chrono::steady_clock;
    Clock::duration echoTime{};
    Clock::duration simTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool echoed = setup.echoLink->roundTrip(setup.loop, cmdSettings, settingsRead);
        const auto middle = Clock::now();
        const bool answered = setup.simLink->roundTrip(setup.loop, cmdSettings, settingsRead);
        const auto end = Clock::now();
        if (!echoed || !answered) {
            state.SkipWithError("no answer within a second");
            return;
        }
        echoTime += middle - start;
        simTime += end - middle;
    }
    const double iterations = static_cast<double>(state.iterations());
    const double echoMicros =
        std::chrono::duration<double, std::micro>(echoTime).count() / iterations;
    const double simMicros =
        std::chrono::duration<double, std::micro>(simTime).count() / iterations;
    state.counters["echo_us"] = echoMicros;
    state.counters["sim_us"] = simMicros;
    state.counters["sim_over_echo"] = simMicros / echoMicros;
}
BENCHMARK(BM_SimAgainstEchoFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace norix
