#pragma once
// Packets on the wire: code, sequence, payload and a CRC-8, COBS-stuffed and
// closed by a 0x00 delimiter. FrameDecoder cuts the received byte stream into
// frames and checks them; it resynchronises after every bad frame.

#include "core/link/SerialPacket.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace norix {

// CRC-8/SMBUS: polynomial 0x07, initial 0, no reflection, no final XOR.
std::uint8_t computeCRC8(std::span<const std::uint8_t> bytes);

Bytes cobsEncode(std::span<const std::uint8_t> bytes);
// No value for a malformed frame.
std::optional<Bytes> cobsDecode(std::span<const std::uint8_t> encoded);

// The complete wire form of a packet, delimiter included.
Bytes encodeFrame(const SerialPacket& packet);

inline constexpr std::size_t maximumFrameLength = 4096;

class FrameDecoder {
public:
    using PacketHandler = std::function<void(const SerialPacket&)>;
    // Receives the user-visible error text of a dropped frame.
    using ErrorHandler = std::function<void(const std::string&)>;

    FrameDecoder(PacketHandler onPacket, ErrorHandler onError)
        : onPacket_(std::move(onPacket)), onError_(std::move(onError)) {}

    // Any chunk size and any alignment to frames.
    void processReceivedBytes(std::span<const std::uint8_t> chunk);
    // Decodes and checks one complete frame (without its delimiter).
    void processEncodedFrame(std::span<const std::uint8_t> frame);
    void clear() { receiveBuffer_.clear(); }
    const Bytes& receiveBuffer() const { return receiveBuffer_; }

private:
    PacketHandler onPacket_;
    ErrorHandler onError_;
    Bytes receiveBuffer_;
};

// Error texts of dropped frames.
inline constexpr const char* oversizedFrameMessage =
    "Discarded an oversized or incomplete serial frame.";
inline constexpr const char* invalidCobsMessage = "Received an invalid COBS frame.";
inline constexpr const char* shortFrameMessage = "Received a serial frame that was too short.";
std::string crcMismatchMessage(std::uint8_t received, std::uint8_t calculated);

} // namespace norix
