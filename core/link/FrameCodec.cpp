#include "core/link/FrameCodec.h"

#include "core/util/DiagnosticLog.h"

#include <cstdio>

namespace norix {

std::uint8_t computeCRC8(std::span<const std::uint8_t> bytes) {
    std::uint8_t crc = 0;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? static_cast<std::uint8_t>((crc << 1) ^ 0x07)
                               : static_cast<std::uint8_t>(crc << 1);
    }
    return crc;
}

Bytes cobsEncode(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return Bytes{0x01};
    Bytes out;
    out.reserve(bytes.size() + bytes.size() / 254 + 2);
    std::size_t codeIndex = 0;
    out.push_back(0);
    std::uint8_t code = 1;
    for (std::uint8_t byte : bytes) {
        if (byte != 0) {
            out.push_back(byte);
            if (++code == 0xFF) {
                out[codeIndex] = 0xFF;
                codeIndex = out.size();
                out.push_back(0);
                code = 1;
            }
        } else {
            out[codeIndex] = code;
            codeIndex = out.size();
            out.push_back(0);
            code = 1;
        }
    }
    out[codeIndex] = code;
    return out;
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
    Bytes raw;
    raw.reserve(packet.payload.size() + 3);
    raw.push_back(packet.code);
    raw.push_back(packet.sequence);
    raw.insert(raw.end(), packet.payload.begin(), packet.payload.end());
    raw.push_back(computeCRC8(raw));
    Bytes frame = cobsEncode(raw);
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
