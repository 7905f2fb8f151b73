// Received bytes from the serial line, whatever they are, must never crash the
// decoder; and every packet must survive the trip through the wire format.

#include "core/link/FrameCodec.h"
#include "core/util/DiagnosticLog.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

using namespace norix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScopedDiagnosticSink quiet{[](std::string_view) {}};
    const std::span<const std::uint8_t> input(data, size);

    // 1. Arbitrary bytes, fed in two chunks split where the first byte says.
    std::size_t packets = 0;
    FrameDecoder stream([&](const SerialPacket&) { ++packets; }, [](const std::string&) {});
    const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
    stream.processReceivedBytes(input.first(split));
    stream.processReceivedBytes(input.subspan(split));
    if (stream.receiveBuffer().size() > maximumFrameLength)
        std::abort();

    // 2. The input as the payload of a packet: one frame, decoded back unchanged.
    const SerialPacket sent{size > 0 ? data[0] : std::uint8_t{0xB2},
                            size > 1 ? data[1] : std::uint8_t{0},
                            Bytes(input.begin(), input.end())};
    const Bytes frame = encodeFrame(sent);
    std::vector<SerialPacket> received;
    std::size_t errors = 0;
    FrameDecoder roundTrip([&](const SerialPacket& packet) { received.push_back(packet); },
                           [&](const std::string&) { ++errors; });
    roundTrip.processReceivedBytes(frame);
    // A longer frame is discarded by design (its tail may then decode as anything).
    const bool fits = frame.size() - 1 <= maximumFrameLength;
    if (fits && (received.size() != 1 || received.front() != sent || errors != 0))
        std::abort();
    if (!fits && errors == 0)
        std::abort();

    // 3. COBS alone, for inputs longer than a frame may be.
    const Bytes stuffed = cobsEncode(input);
    for (std::uint8_t byte : stuffed)
        if (byte == 0)
            std::abort();
    const auto unstuffed = cobsDecode(stuffed);
    if (!unstuffed || !std::equal(unstuffed->begin(), unstuffed->end(), input.begin(), input.end()))
        std::abort();
    return 0;
}
