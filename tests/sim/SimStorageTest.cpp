// What the simulated Norix keeps: a chip uploaded the way the application sends
// it is stored exactly and read back in parts of the configured size, stores
// replace or append, the default font cannot be deleted, and images go to the
// first free slot if their data covers them.

#include "core/link/ProtocolCodes.h"
#include "core/util/ByteOrder.h"
#include "tests/support/SimulatedNorix.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <ostream>

namespace norix::testing {
namespace {

constexpr std::uint8_t B0 = 0xB0;
constexpr std::uint8_t B2 = 0xB2;

// The bytes cut into pieces of `size`, the last one shorter.
std::vector<Bytes> pieces(const Bytes& bytes, std::size_t size) {
    std::vector<Bytes> result;
    for (std::size_t offset = 0; offset < bytes.size(); offset += size) {
        const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
        result.emplace_back(
            begin, begin + static_cast<std::ptrdiff_t>(std::min(size, bytes.size() - offset)));
    }
    return result;
}

// Sends each piece with `code`; the device must take each with `accepted`.
void sendPieces(PipeHarness& harness, std::uint8_t code, const Bytes& bytes, std::size_t size,
                std::uint8_t accepted) {
    for (const Bytes& piece : pieces(bytes, size))
        harness.expectAccepted(code, piece, accepted);
}

Bytes rampBytes(std::size_t count) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

sim::StoredChip chipNamed(const std::string& name, const Bytes& code) {
    return sim::makeStoredChip(name, 4, 14, 1, {"first", "", "", "", "", "", "", "eighth"}, code);
}

// The chip upload as the application performs it, in 63-byte chunks, without the store.
void uploadChip(PipeHarness& harness, const sim::StoredChip& chip) {
    const Bytes metadata(chip.metadata.begin(), chip.metadata.begin() + chipUploadMetadataSize);
    harness.expectAccepted(cmdChipMetadata, metadata, B2);
    harness.expectAccepted(cmdChipStringsBegin, {}, B2);
    sendPieces(harness, cmdChipStringsChunk, chip.strings, 63, B2);
    harness.expectAccepted(cmdChipStringsEnd, {}, B2);
    harness.expectAccepted(cmdChipCodeLength,
                           littleEndian16(static_cast<std::uint16_t>(chip.code.size())), B2);
    sendPieces(harness, cmdChipCodeChunk, chip.code, 63, B2);
}

TEST(ChipStorage, SameNameReplacesOtherNamesAppendAndFullMemoryFails) {
    sim::SimulatorConfig config;
    config.chipCapacity = 2;
    PipeHarness harness(config);
    const auto upload = [&](const sim::StoredChip& chip) {
        uploadChip(harness, chip);
        return harness.ask(cmdSaveChip).code;
    };
    EXPECT_EQ(upload(chipNamed("A", rampBytes(70))), B2);
    EXPECT_EQ(upload(chipNamed("B", Bytes{2})), B2);
    EXPECT_EQ(upload(chipNamed("A", Bytes{3, 3})), B2);
    EXPECT_EQ(harness.sim.memory().chips(),
              (std::vector{chipNamed("A", Bytes{3, 3}), chipNamed("B", Bytes{2})}));

    EXPECT_EQ(upload(chipNamed("C", Bytes{4})), respFail);
    EXPECT_EQ(harness.ask(cmdDeleteChip, {0, 0}).code, B2);
    EXPECT_EQ(harness.ask(cmdChipName, {0, 0}).payload, textBytes("B"));
    // The chip uploaded last is still held, so storing it now succeeds.
    EXPECT_EQ(harness.ask(cmdSaveChip).code, B2);
    EXPECT_EQ(harness.sim.memory().chips().back(), chipNamed("C", Bytes{4}));
    // A new upload lets go of the chip held before, even while it is incomplete.
    harness.expectAccepted(cmdChipMetadata, sim::makeChipUploadMetadata("D", 0, 14, 0, 1, 0), B2);
    EXPECT_EQ(harness.ask(cmdSaveChip).code, respFail);
    EXPECT_EQ(harness.ask(cmdDeleteAllChips).code, B2);
    EXPECT_EQ(harness.ask(cmdChipCount).payload, (Bytes{0, 0}));
}

// Asks for a stored chip's metadata or code, then for more until the device
// refuses; returns every part it gave.
std::vector<Bytes> readParts(PipeHarness& harness, std::uint8_t command) {
    std::vector<Bytes> parts{harness.ask(command, {0, 0}).payload};
    for (SerialPacket part = harness.ask(command, {0xAA, 0xAA});
         part.code != respFail && parts.size() < 100; part = harness.ask(command, {0xAA, 0xAA}))
        parts.push_back(part.payload);
    return parts;
}

struct PartsCase {
    std::size_t partSize;
    std::size_t codeSize;
    friend void PrintTo(const PartsCase& c, std::ostream* os) {
        *os << "parts" << c.partSize << "_code" << c.codeSize;
    }
};

class ChipPartsTest : public ::testing::TestWithParam<PartsCase> {};

TEST_P(ChipPartsTest, AStoredChipIsReadInPartsOfTheConfiguredSize) {
    sim::SimulatorConfig config;
    config.chipPartSize = GetParam().partSize;
    PipeHarness harness(config);
    const sim::StoredChip chip = chipNamed("74LS138", rampBytes(GetParam().codeSize));
    harness.sim.memory().storeChip(chip, 1);
    EXPECT_EQ(harness.ask(cmdChipCount).payload, (Bytes{1, 0}));
    EXPECT_EQ(harness.ask(cmdLoadChipString, {0, 0, 7}).payload, textBytes("eighth"));
    EXPECT_EQ(readParts(harness, cmdLoadChipMetadata), pieces(chip.metadata, GetParam().partSize));
    // The first code answer announces the size.
    std::vector<Bytes> code = pieces(chip.code, GetParam().partSize);
    code.insert(code.begin(), littleEndian16(static_cast<std::uint16_t>(chip.code.size())));
    EXPECT_EQ(readParts(harness, cmdLoadChipCode), code);
}

INSTANTIATE_TEST_SUITE_P(PartSizesAndCodeSizes, ChipPartsTest,
                         ::testing::Values(PartsCase{64, 128}, PartsCase{64, 0},
                                           PartsCase{100, 127}, PartsCase{7, 200},
                                           PartsCase{128, 4096}),
                         testing::PrintedName());

struct UploadMistake {
    const char* name;
    std::uint8_t code;
    Bytes payload;
    std::uint8_t answer;
    friend void PrintTo(const UploadMistake& c, std::ostream* os) { *os << c.name; }
};

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

TEST(FontStorage, TheSettingsCountTheFilledSlotsAndOnlyTheDefaultFontCannotBeDeleted) {
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory());
    harness.sim.memory().setFont(5, sim::makeStoredFont("Five", 5, 7, rampBytes(5 * 95)));
    EXPECT_EQ(harness.ask(cmdSettings, {1, 7, 5}).payload.at(6), 2) << "numFonts follows the slots";
    EXPECT_EQ(harness.ask(cmdDeleteFont, {0}).code, B2);
    EXPECT_EQ(harness.ask(cmdDeleteFont, {5}).code, respFail);
    EXPECT_EQ(harness.ask(cmdSettings, {0}).payload.at(6), 1);
}

// Uploads an image the way the application does; returns the answer to its last step.
std::uint8_t uploadImage(PipeHarness& harness, std::uint8_t width, std::uint8_t height,
                         const Bytes& rle) {
    harness.expectAccepted(cmdImageMetaBegin, {0x80, 0x00}, B0);
    sendPieces(
        harness, cmdImageMetaChunk,
        sim::makeImageMetadataBlock("Next", width, height, static_cast<std::uint32_t>(rle.size())),
        48, B0);
    harness.expectAccepted(cmdImageMetaSave, {}, B2);
    harness.expectAccepted(cmdImageDataBegin,
                           littleEndian16(static_cast<std::uint16_t>(rle.size())), B0);
    sendPieces(harness, cmdImageDataChunk, rle, 48, B0);
    return harness.ask(cmdImageDataSave).code;
}

TEST(ImageStorage, UploadTakesTheFirstFreeSlotIfItsDataCoversTheImage) {
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory()); // slot 2 is a gap between 1 and 3
    EXPECT_EQ(uploadImage(harness, 2, 2, {3, 0, 0}), respFail);
    EXPECT_FALSE(harness.sim.memory().image(2).has_value());
    EXPECT_EQ(uploadImage(harness, 1, 1, {1, 0, 0}), B2);
    EXPECT_EQ(harness.ask(cmdSendImageNames, {2, 0}).payload, textBytes("Next"));
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{4, 0}));
    // A full device takes no upload.
    for (int slot = 4; slot <= 255; ++slot)
        harness.sim.memory().setImage(slot, sim::makeStoredImage("I", 1, 1, {1, 0, 0}));
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{0, 1}));
    EXPECT_EQ(harness.ask(cmdImageMetaBegin, {0x80, 0x00}).code, respFail);
}

} // namespace
} // namespace norix::testing
