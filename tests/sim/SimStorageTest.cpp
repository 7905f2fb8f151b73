// What the simulated Norix keeps: a chip uploaded the way the application sends
// it reads back exactly, stores replace or append, the settings count the font
// slots, and images go to the first free slot if their data covers them.

#include "core/link/ProtocolCodes.h"
#include "tests/support/SimulatedNorix.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <ostream>

namespace norix::testing {
namespace {

constexpr std::uint8_t B0 = 0xB0;
constexpr std::uint8_t B2 = 0xB2;

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
    const std::size_t end = std::min(bytes.size(), offset + length);
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

Bytes rampBytes(std::size_t count, std::uint8_t start = 1) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

struct UploadedChip {
    Bytes metadata;
    Bytes strings;
    Bytes code;
};

// The chip upload as the application performs it: 63-byte chunks throughout.
UploadedChip uploadChip(PipeHarness& harness, const std::string& name, const Bytes& code,
                        bool store = true) {
    UploadedChip chip;
    chip.metadata =
        sim::makeChipUploadMetadata(name, 4, 14, 1, static_cast<std::uint16_t>(code.size()), 2);
    chip.strings = Bytes(512, 0);
    std::copy_n("first", 5, chip.strings.begin());
    std::copy_n("eighth", 6, chip.strings.begin() + 7 * 64);
    chip.code = code;
    harness.expectAccepted(cmdChipMetadata, chip.metadata, B2);
    harness.expectAccepted(cmdChipStringsBegin, {}, B2);
    for (std::size_t offset = 0; offset < chip.strings.size(); offset += 63)
        harness.expectAccepted(cmdChipStringsChunk, slice(chip.strings, offset, 63), B2);
    harness.expectAccepted(cmdChipStringsEnd, {}, B2);
    harness.expectAccepted(
        cmdChipCodeLength,
        {static_cast<std::uint8_t>(code.size()), static_cast<std::uint8_t>(code.size() >> 8)}, B2);
    for (std::size_t offset = 0; offset < code.size(); offset += 63)
        harness.expectAccepted(cmdChipCodeChunk, slice(code, offset, 63), B2);
    if (store)
        harness.expectAccepted(cmdSaveChip, {}, B2);
    return chip;
}

// Reads a stored chip back the way the application loads it.
UploadedChip loadChip(PipeHarness& harness, std::uint16_t index,
                      std::size_t* metadataParts = nullptr) {
    UploadedChip chip;
    const Bytes indexBytes{static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8)};
    SerialPacket part = harness.ask(cmdLoadChipMetadata, indexBytes);
    std::size_t parts = 0;
    while (part.code == respChipMetadata) {
        ++parts;
        chip.metadata.insert(chip.metadata.end(), part.payload.begin(), part.payload.end());
        if (chip.metadata.size() >= 128)
            break;
        part = harness.ask(cmdLoadChipMetadata, {0xAA, 0xAA});
    }
    if (metadataParts)
        *metadataParts = parts;
    const SerialPacket header = harness.ask(cmdLoadChipCode, indexBytes);
    EXPECT_EQ(header.code, respChipCode);
    const std::size_t size = header.payload.at(0) | (header.payload.at(1) << 8);
    while (chip.code.size() < size) {
        part = harness.ask(cmdLoadChipCode, {0xAA, 0xAA});
        if (part.code != respChipCode || part.payload.empty())
            break;
        chip.code.insert(chip.code.end(), part.payload.begin(), part.payload.end());
    }
    for (std::uint8_t number = 0; number < 8; ++number) {
        const SerialPacket text =
            harness.ask(cmdLoadChipString, {indexBytes[0], indexBytes[1], number});
        EXPECT_EQ(text.code, respChipString);
        Bytes slot = text.payload;
        slot.resize(64, 0);
        chip.strings.insert(chip.strings.end(), slot.begin(), slot.end());
    }
    return chip;
}

struct RoundTrip {
    std::size_t partSize;
    std::size_t codeSize;
    friend void PrintTo(const RoundTrip& c, std::ostream* os) {
        *os << "parts" << c.partSize << "_code" << c.codeSize;
    }
};

class ChipRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ChipRoundTripTest, StoredChipReadsBackExactlyAsUploaded) {
    sim::SimulatorConfig config;
    config.chipPartSize = GetParam().partSize;
    PipeHarness harness(config);
    const UploadedChip sent = uploadChip(harness, "74LS138", rampBytes(GetParam().codeSize));
    ASSERT_EQ(harness.ask(cmdChipCount).payload, (Bytes{1, 0}));
    EXPECT_EQ(harness.ask(cmdChipName, {0, 0}).payload, textBytes("74LS138"));

    std::size_t metadataParts = 0;
    const UploadedChip loaded = loadChip(harness, 0, &metadataParts);
    Bytes expectedMetadata = sent.metadata;
    expectedMetadata.resize(128, 0);
    EXPECT_EQ(loaded.metadata, expectedMetadata);
    EXPECT_EQ(metadataParts, (128 + GetParam().partSize - 1) / GetParam().partSize);
    EXPECT_EQ(loaded.code, sent.code);
    EXPECT_EQ(loaded.strings, sent.strings);
    // Once everything was read, a further continue has nothing to give.
    EXPECT_EQ(harness.ask(cmdLoadChipMetadata, {0xAA, 0xAA}).code, respFail);
}

INSTANTIATE_TEST_SUITE_P(PartSizesAndCodeSizes, ChipRoundTripTest,
                         ::testing::Values(RoundTrip{64, 35}, RoundTrip{64, 128}, RoundTrip{64, 0},
                                           RoundTrip{100, 127}, RoundTrip{7, 200},
                                           RoundTrip{128, 4096}),
                         testing::PrintedName());

TEST(ChipStorage, SameNameReplacesOtherNamesAppendAndFullMemoryFails) {
    sim::SimulatorConfig config;
    config.chipCapacity = 2;
    PipeHarness harness(config);
    uploadChip(harness, "A", Bytes{1});
    uploadChip(harness, "B", Bytes{2});
    uploadChip(harness, "A", Bytes{3, 3});
    ASSERT_EQ(harness.sim.memory().chips().size(), 2u);
    EXPECT_EQ(harness.sim.memory().chips()[0].code, (Bytes{3, 3}));
    EXPECT_EQ(harness.sim.memory().chips()[1].name(), "B");

    uploadChip(harness, "C", Bytes{4}, false);
    EXPECT_EQ(harness.ask(cmdSaveChip).code, respFail);
    EXPECT_EQ(harness.sim.memory().chips().size(), 2u);

    EXPECT_EQ(harness.ask(cmdDeleteChip, {0, 0}).code, B2);
    EXPECT_EQ(harness.ask(cmdChipName, {0, 0}).payload, textBytes("B"));
    // The chip uploaded last is still held, so storing it now succeeds.
    EXPECT_EQ(harness.ask(cmdSaveChip).code, B2);
    EXPECT_EQ(harness.ask(cmdDeleteAllChips).code, B2);
    EXPECT_EQ(harness.ask(cmdChipCount).payload, (Bytes{0, 0}));
}

struct UploadMistake {
    const char* name;
    std::uint8_t code;
    Bytes payload;
    std::uint8_t answer;
};

void PrintTo(const UploadMistake& value, std::ostream* out) {
    *out << value.name;
}

class ChipUploadMistakeTest : public ::testing::TestWithParam<UploadMistake> {};

// After metadata (code size 70) and the whole strings block, each mistake is refused.
TEST_P(ChipUploadMistakeTest, IsRefusedAndNothingIsStored) {
    PipeHarness harness;
    harness.expectAccepted(cmdChipMetadata, sim::makeChipUploadMetadata("X", 0, 14, 0, 70, 0), B2);
    harness.expectAccepted(cmdChipStringsBegin, {}, B2);
    harness.expectAccepted(cmdChipStringsChunk, Bytes(63, 0x41), B2);
    harness.expectAccepted(cmdChipStringsEnd, {}, B2);
    const UploadMistake& mistake = GetParam();
    if (mistake.code == cmdChipCodeChunk)
        harness.expectAccepted(cmdChipCodeLength, {70, 0}, B2);
    EXPECT_EQ(harness.ask(mistake.code, mistake.payload).code, mistake.answer);
    EXPECT_EQ(harness.ask(cmdSaveChip).code, respFail);
    EXPECT_TRUE(harness.sim.memory().chips().empty());
}

INSTANTIATE_TEST_SUITE_P(Mistakes, ChipUploadMistakeTest,
                         ::testing::Values(
                             UploadMistake{
                                 "lengthDisagreesWithMetadata", cmdChipCodeLength, {71, 0}, 0xB4},
                             UploadMistake{"lengthOfOneByte", cmdChipCodeLength, {70}, 0xB4},
                             UploadMistake{"chunkOf64", cmdChipCodeChunk, Bytes(64, 1), 0xB4},
                             UploadMistake{"emptyChunk", cmdChipCodeChunk, {}, 0xB4},
                             UploadMistake{"stringChunkAfterEnd", cmdChipStringsChunk, {1}, 0xB3},
                             UploadMistake{"incompleteCode", cmdChipCodeChunk, Bytes(63, 1), 0xB2}),
                         testing::PrintedName());

TEST(FontStorage, TheSettingsCountTheFilledSlotsAndOnlyAFontNotTheDefaultCanBeDeleted) {
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory());
    harness.sim.memory().setFont(5, sim::makeStoredFont("Five", 5, 7, rampBytes(5 * 95)));
    EXPECT_EQ(harness.ask(cmdSettings, {0}).payload.at(6), 2) << "numFonts follows the slots";
    EXPECT_EQ(harness.ask(cmdDeleteFont, {0}).code, respFail) << "the default font";
    EXPECT_EQ(harness.ask(cmdSettings, {1, 7, 5}).payload.at(9), 5);
    EXPECT_EQ(harness.ask(cmdDeleteFont, {0}).code, B2);
    EXPECT_EQ(harness.ask(cmdDeleteFont, {5}).code, respFail);
    EXPECT_EQ(harness.ask(cmdSettings, {0}).payload.at(6), 1);
}

// Uploads an image the way the application does; returns the answer to its last step.
std::uint8_t uploadImage(PipeHarness& harness, const std::string& name, std::uint8_t width,
                         std::uint8_t height, const Bytes& rle) {
    const Bytes metadata =
        sim::makeImageMetadataBlock(name, width, height, static_cast<std::uint32_t>(rle.size()));
    harness.expectAccepted(cmdImageMetaBegin, {0x80, 0x00}, B0);
    for (std::size_t offset = 0; offset < metadata.size(); offset += 48)
        harness.expectAccepted(cmdImageMetaChunk, slice(metadata, offset, 48), B0);
    harness.expectAccepted(cmdImageMetaSave, {}, B2);
    harness.expectAccepted(
        cmdImageDataBegin,
        {static_cast<std::uint8_t>(rle.size()), static_cast<std::uint8_t>(rle.size() >> 8)}, B0);
    for (std::size_t offset = 0; offset < rle.size(); offset += 48)
        harness.expectAccepted(cmdImageDataChunk, slice(rle, offset, 48), B0);
    return harness.ask(cmdImageDataSave).code;
}

TEST(ImageStorage, UploadTakesTheFirstFreeSlot) {
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory()); // slot 2 is a gap between 1 and 3
    EXPECT_EQ(uploadImage(harness, "Next", 1, 1, {1, 0, 0}), B2);
    EXPECT_EQ(harness.ask(cmdSendImageNames, {2, 0}).payload, textBytes("Next"));
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{4, 0}));
}

TEST(ImageStorage, DataThatDoesNotCoverTheImageIsRefusedAndAFullDeviceTakesNoUpload) {
    PipeHarness harness;
    EXPECT_EQ(uploadImage(harness, "Short", 2, 2, {3, 0, 0}), respFail);
    EXPECT_FALSE(harness.sim.memory().image(1).has_value());
    for (int slot = 1; slot <= 255; ++slot)
        harness.sim.memory().setImage(slot, sim::makeStoredImage("I", 1, 1, {1, 0, 0}));
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{0, 1}));
    EXPECT_EQ(harness.ask(cmdImageMetaBegin, {0x80, 0x00}).code, respFail);
}

} // namespace
} // namespace norix::testing
