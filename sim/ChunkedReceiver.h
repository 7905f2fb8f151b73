#pragma once
// The simulated Norix's end of the two-phase upload that fonts and images
// share: a 128-byte metadata block, then the data, each opened by a begin
// command, appended chunk by chunk in the order received and closed by a save.
// The owner says what may start, what metadata it takes and where it is kept.

#include "core/link/SerialPacket.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace norix::sim {

class ChunkedReceiver {
public:
    struct Codes {
        std::uint8_t metaBegin, metaChunk, metaSave, dataBegin, dataChunk, dataSave;
    };
    struct Hooks {
        // Bytes the meta-begin command carries after the 16-bit metadata size.
        std::size_t beginSuffixSize = 0;
        // Whether an upload may start with this suffix; refused with a failure otherwise.
        std::function<bool(const Bytes& suffix)> canBegin;
        // The data size the block declares, or nothing when it describes nothing storable.
        std::function<std::optional<std::size_t>(const Bytes& metadata)> acceptMetadata;
        // Keeps the finished upload; false when there is no room for it after all.
        std::function<bool(Bytes metadata, Bytes data)> store;
    };

    ChunkedReceiver(Codes codes, Hooks hooks) : codes_(codes), hooks_(std::move(hooks)) {}

    bool handles(std::uint8_t code) const;
    SerialPacket receive(const SerialPacket& command);

private:
    enum class Step { none, metadata, metadataSaved, data };

    SerialPacket append(const SerialPacket& command, Bytes& buffer, std::size_t limit);

    Codes codes_;
    Hooks hooks_;
    Step step_ = Step::none;
    Bytes metadata_;
    Bytes data_;
    std::size_t dataSize_ = 0;
};

} // namespace norix::sim
