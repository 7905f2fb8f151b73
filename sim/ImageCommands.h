#pragma once
// The image half of the simulated Norix: the image count and names, reading an
// image's metadata and its compressed data piece by piece at the offset asked
// for, and the upload of a new image into the first free slot.

#include "core/link/SerialPacket.h"
#include "sim/ChunkedReceiver.h"
#include "sim/NorixMemory.h"
#include "sim/SimulatorConfig.h"

#include <optional>

namespace norix::sim {

class ImageCommands {
public:
    ImageCommands(NorixMemory& memory, const SimulatorConfig& config);

    // The answer to an image command, or nothing when the code is not an image command.
    std::optional<SerialPacket> handle(const SerialPacket& command);

private:
    SerialPacket imageName(const SerialPacket& command);
    SerialPacket imageMetadata(const SerialPacket& command);
    SerialPacket imageData(const SerialPacket& command);
    const StoredImage* storedImage(const Bytes& payload) const;

    NorixMemory& memory_;
    const SimulatorConfig& config_;
    ChunkedReceiver upload_;
};

// Whether RLE records (length, colour high, colour low) expand to exactly
// width × height pixels with no run of length zero.
bool rleCoversImage(const Bytes& rle, std::size_t width, std::size_t height);

} // namespace norix::sim
