#include "core/link/FrameCodec.h"

#include "core/util/DiagnosticLog.h"

#include <array>
#include <cstdio>

namespace norix {

namespace {

// The register after feeding one byte into a zero register, for every byte:
// one lookup per byte instead of eight shifts.
constexpr std::array<std::uint8_t, 256> crcTable = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        auto crc = static_cast<std::uint8_t>(value);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? static_cast<std::uint8_t>((crc << 1) ^ 0x07)
                               : static_cast<std::uint8_t>(crc << 1);
        table[value] = crc;
    }
    return table;
}();

// COBS output built byte by byte, so that a frame is stuffed in the same pass
// that computes its CRC.
class CobsWriter {
public:
    explicit CobsWriter(std::size_t inputSize) {
        out_.reserve(inputSize + inputSize / 254 + 3);
        out_.push_back(0);
    }
    void put(std::uint8_t byte) {
        if (byte != 0) {
            out_.push_back(byte);
            if (++code_ == 0xFF)
                closeBlock();
        } else {
            closeBlock();
        }
    }
    Bytes finish() {
        out_[codeIndex_] = code_;
        return std::move(out_);
    }

private:
    void closeBlock() {
        out_[codeIndex_] = code_;
        codeIndex_ = out_.size();
        out_.push_back(0);
        code_ = 1;
    }

    Bytes out_;
    std::size_t codeIndex_ = 0;
    std::uint8_t code_ = 1;
};

} // namespace

std::uint8_t computeCRC8(std::span<const std::uint8_t> bytes) {
    std::uint8_t crc = 0;
    for (std::uint8_t byte : bytes)
        crc = crcTable[crc ^ byte];
    return crc;
}

Bytes cobsEncode(std::span<const std::uint8_t> bytes) {
    CobsWriter writer(bytes.size());
    for (std::uint8_t byte : bytes)
        writer.put(byte);
    return writer.finish();
}

std::optional<Bytes> cobsDecode(std::span<const std::uint8_t> encoded) {
    if (encoded.empty())
        return std::nullopt;
    Bytes out;
    out.reserve(encoded.size());
    std::size_t index = 0;
    while (index < encoded.size()) {
        const std::uint8_t code = encoded[index++];
        if (code == 0)
            return std::nullopt;
        const std::size_t length = code - 1u;
        if (encoded.size() - index < length)
            return std::nullopt;
        out.insert(out.end(), encoded.begin() + static_cast<std::ptrdiff_t>(index),
                   encoded.begin() + static_cast<std::ptrdiff_t>(index + length));
        index += length;
        if (code < 0xFF && index < encoded.size())
            out.push_back(0);
    }
    return out;
}

Bytes encodeFrame(const SerialPacket& packet) {
    CobsWriter writer(packet.payload.size() + 4);
    std::uint8_t crc = 0;
    auto protect = [&](std::uint8_t byte) {
        crc = crcTable[crc ^ byte];
        writer.put(byte);
    };
    protect(packet.code);
    protect(packet.sequence);
    for (std::uint8_t byte : packet.payload)
        protect(byte);
    writer.put(crc);
    Bytes frame = writer.finish();
    frame.push_back(0x00);
    return frame;
}

std::string crcMismatchMessage(std::uint8_t received, std::uint8_t calculated) {
    char text[64];
    std::snprintf(text, sizeof text, "Serial CRC mismatch. Received %02X, calculated %02X.",
                  received, calculated);
    return text;
}

void FrameDecoder::processReceivedBytes(std::span<const std::uint8_t> chunk) {
    for (std::uint8_t byte : chunk) {
        if (byte != 0) {
            receiveBuffer_.push_back(byte);
            if (receiveBuffer_.size() > maximumFrameLength) {
                receiveBuffer_.clear();
                onError_(oversizedFrameMessage);
                logLine("SERIAL ERROR: Receive frame exceeded " +
                        std::to_string(maximumFrameLength) + " bytes.");
            }
            continue;
        }
        if (receiveBuffer_.empty())
            continue;
        // Copy out before dispatching: a handler may disconnect and clear the buffer.
        Bytes frame;
        frame.swap(receiveBuffer_);
        processEncodedFrame(frame);
        if (receiveBuffer_.capacity() < frame.capacity()) {
            frame.clear();
            receiveBuffer_.swap(frame);
        }
    }
}

void FrameDecoder::processEncodedFrame(std::span<const std::uint8_t> frame) {
    auto decoded = cobsDecode(frame);
    if (!decoded) {
        onError_(invalidCobsMessage);
        return;
    }
    if (decoded->size() < 3) {
        onError_(shortFrameMessage);
        return;
    }
    const std::uint8_t received = decoded->back();
    const std::uint8_t calculated =
        computeCRC8(std::span<const std::uint8_t>(decoded->data(), decoded->size() - 1));
    if (received != calculated) {
        onError_(crcMismatchMessage(received, calculated));
        return;
    }
    SerialPacket packet;
    packet.code = (*decoded)[0];
    packet.sequence = (*decoded)[1];
    packet.payload.assign(decoded->begin() + 2, decoded->end() - 1);
    onPacket_(packet);
}

} // namespace norix
