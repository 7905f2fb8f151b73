#include "core/link/FrameCodec.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

namespace norix {
namespace {

struct Collected {
    std::vector<SerialPacket> packets;
    std::vector<std::string> errors;
    FrameDecoder decoder{[this](const SerialPacket& p) { packets.push_back(p); },
                         [this](const std::string& e) { errors.push_back(e); }};
};

// Short hex names keep the ctest names readable.
void printHex(const Bytes& bytes, std::ostream* os) {
    for (const auto byte : bytes)
        *os << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << int{byte};
}

struct WorkedExample {
    SerialPacket packet;
    Bytes wire;
    friend void PrintTo(const WorkedExample& e, std::ostream* os) { printHex(e.wire, os); }
};

class FrameWorkedExamples : public ::testing::TestWithParam<WorkedExample> {};

TEST_P(FrameWorkedExamples, EncodeToTheWireBytesAndDecodeBack) {
    const auto& example = GetParam();
    EXPECT_EQ(encodeFrame(example.packet), example.wire);
    Collected collected;
    collected.decoder.processReceivedBytes(example.wire);
    ASSERT_EQ(collected.packets.size(), 1u);
    EXPECT_EQ(collected.packets[0], example.packet);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FrameWorkedExamples,
    ::testing::Values(WorkedExample{{0xE4, 0x05, {0x00}}, {0x03, 0xE4, 0x05, 0x02, 0x24, 0x00}},
                      WorkedExample{{0xE4, 0x05, {0x01, 0x03, 0x02}},
                                    {0x07, 0xE4, 0x05, 0x01, 0x03, 0x02, 0xA0, 0x00}}),
    testing::PrintedName());

TEST(Cobs, EmptyInputAndLongBlocks) {
    EXPECT_EQ(cobsEncode(Bytes{}), Bytes{0x01});
    EXPECT_EQ(cobsDecode(Bytes{0x01}), Bytes{});
    for (std::size_t length : {253u, 254u, 255u, 508u, 1000u}) {
        Bytes data(length, 0x5A);
        const Bytes encoded = cobsEncode(data);
        EXPECT_EQ(std::count(encoded.begin(), encoded.end(), 0), 0);
        if (length == 254u) {
            EXPECT_EQ(encoded.front(), 0xFF);
            EXPECT_EQ(encoded.back(), 0x01); // the trailing empty block
        }
        EXPECT_EQ(cobsDecode(encoded), data) << length;
    }
}

TEST(Cobs, MalformedInputs) {
    EXPECT_FALSE(cobsDecode(Bytes{}));
    EXPECT_FALSE(cobsDecode(Bytes{0x02, 0x01, 0x00, 0x01})); // zero code byte
}

TEST(FrameDecoder, IdleDelimitersTwoFramesInOneChunkAndOneFrameOverManyChunks) {
    const SerialPacket first{0xB9, 1, {3, 0}};
    const SerialPacket second{0xBA, 2, {'A', 'B'}};
    Bytes stream(50, 0x00); // an idle line before the first frame is harmless
    for (const Bytes& frame : {encodeFrame(first), encodeFrame(second)})
        stream.insert(stream.end(), frame.begin(), frame.end());
    Collected collected;
    collected.decoder.processReceivedBytes(stream);
    for (std::uint8_t byte : encodeFrame(second))
        collected.decoder.processReceivedBytes(Bytes{byte});
    EXPECT_TRUE(collected.errors.empty());
    EXPECT_EQ(collected.packets, (std::vector<SerialPacket>{first, second, second}));
}

struct BadFrame {
    Bytes encoded;
    std::string message;
    friend void PrintTo(const BadFrame& f, std::ostream* os) { printHex(f.encoded, os); }
};

class FrameDecoderErrors : public ::testing::TestWithParam<BadFrame> {};

TEST_P(FrameDecoderErrors, ReportTheTextAndKeepDecoding) {
    Collected collected;
    Bytes stream = GetParam().encoded;
    stream.push_back(0x00);
    const Bytes good = encodeFrame({0xB2, 7, {}});
    stream.insert(stream.end(), good.begin(), good.end());
    collected.decoder.processReceivedBytes(stream);
    EXPECT_EQ(collected.errors, std::vector<std::string>{GetParam().message});
    ASSERT_EQ(collected.packets.size(), 1u);
    EXPECT_EQ(collected.packets[0].sequence, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FrameDecoderErrors,
    ::testing::Values(BadFrame{{0x02, 0xB2}, "Received a serial frame that was too short."},
                      BadFrame{{0x09, 0x01}, "Received an invalid COBS frame."},
                      // Hex in capitals: the second worked example with CRC AB for A0.
                      BadFrame{{0x07, 0xE4, 0x05, 0x01, 0x03, 0x02, 0xAB},
                               "Serial CRC mismatch. Received AB, calculated A0."}),
    testing::PrintedName());

TEST(FrameDecoder, AcceptsAFrameOf4096BytesAndDiscardsThe4097th) {
    const Bytes longest = encodeFrame({0x11, 0x22, Bytes(4076, 0x33)});
    ASSERT_EQ(longest.size(), 4096u + 1) << "the frame and its delimiter";
    Bytes tooLong(4097, 0x44);
    tooLong.push_back(0x00);
    Collected collected;
    collected.decoder.processReceivedBytes(longest);
    collected.decoder.processReceivedBytes(tooLong);
    EXPECT_EQ(collected.packets.size(), 1u);
    EXPECT_EQ(collected.errors,
              std::vector<std::string>{"Discarded an oversized or incomplete serial frame."});
}

} // namespace
} // namespace norix
