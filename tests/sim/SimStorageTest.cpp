// What the simulated Norix keeps: a chip uploaded the way the application sends
// it reads back exactly, stores replace or append, fonts land in their slot and
// images in the first free one.

#include "core/link/ProtocolCodes.h"
#include "tests/support/SimulatedNorix.h"

#include <algorithm>
#include <array>
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

// Fonts and images are received in the same steps: metadata begun, sent in
// chunks of at most 48 bytes and saved, then the data the same way. Each kind
// has a 300-byte item (seven data chunks) stored in font slot 2 or image slot 1.
struct UploadKind {
    const char* name;
    std::array<std::uint8_t, 6> codes; // metadata begin, chunk, save; data begin, chunk, save
    bool font;
    Bytes metadata, data;

    std::optional<Bytes> stored(const sim::NorixMemory& memory) const {
        if (font)
            return memory.font(2) ? std::optional(memory.font(2)->data) : std::nullopt;
        return memory.image(1) ? std::optional(memory.image(1)->data) : std::nullopt;
    }
    friend void PrintTo(const UploadKind* k, std::ostream* os) { *os << k->name; }
};

Bytes pixelRuns(int count) { // `count` single pixels
    Bytes rle;
    for (int i = 0; i < count; ++i)
        rle.insert(rle.end(), {1, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7)});
    return rle;
}

const UploadKind fontKind{"font",
                          {cmdFontMetaBegin, cmdFontMetaChunk, cmdFontMetaSave, cmdFontDataBegin,
                           cmdFontDataChunk, cmdFontDataSave},
                          true,
                          sim::makeFontMetadataBlock("F", 3, 8, 100, 300),
                          rampBytes(300)};
const UploadKind imageKind{"image",
                           {cmdImageMetaBegin, cmdImageMetaChunk, cmdImageMetaSave,
                            cmdImageDataBegin, cmdImageDataChunk, cmdImageDataSave},
                           false,
                           sim::makeImageMetadataBlock("I", 10, 10, 300),
                           pixelRuns(100)};

// The commands of one upload as the application sends them.
std::vector<SerialPacket> uploadSteps(const UploadKind& kind, const Bytes& metadata,
                                      const Bytes& data, std::uint8_t slot = 2) {
    std::vector<SerialPacket> steps;
    const auto add = [&](std::size_t step, Bytes payload) {
        steps.push_back({kind.codes[step], 0x21, std::move(payload)});
    };
    add(0, kind.font ? Bytes{0x80, 0x00, slot} : Bytes{0x80, 0x00});
    for (std::size_t offset = 0; offset < metadata.size(); offset += 48)
        add(1, slice(metadata, offset, 48));
    add(2, {});
    add(3, {static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(data.size() >> 8)});
    for (std::size_t offset = 0; offset < data.size(); offset += 48)
        add(4, slice(data, offset, 48));
    add(5, {});
    return steps;
}

// Sends every step, again when the device asks for it again (as the
// application does), and returns the answer codes.
Bytes sendAll(PipeHarness& harness, const std::vector<SerialPacket>& steps) {
    Bytes answers;
    for (const auto& step : steps) {
        std::uint8_t answer = respRetry;
        for (int attempt = 0; attempt < 3 && answer == respRetry; ++attempt)
            answer = harness.ask(step.code, step.payload).code;
        answers.push_back(answer);
    }
    return answers;
}

// The answers that accept every step: 0xB2 for the saves, 0xB0 for the rest.
Bytes accepted(const std::vector<SerialPacket>& steps) {
    Bytes answers;
    for (const auto& step : steps)
        answers.push_back(step.payload.empty() ? B2 : B0);
    return answers;
}

class UploadReceiverTest : public ::testing::TestWithParam<const UploadKind*> {};

TEST_P(UploadReceiverTest, StoresTheItemAsSentAndARepeatedChunkOnlyOnce) {
    const UploadKind& kind = *GetParam();
    PipeHarness harness;
    // The device asks for the second metadata and the third data chunk again.
    harness.sim.faults().add({kind.codes[1], 2, sim::FaultAction::retry, 0});
    harness.sim.faults().add({kind.codes[4], 3, sim::FaultAction::retry, 0});
    const auto steps = uploadSteps(kind, kind.metadata, kind.data);
    EXPECT_EQ(sendAll(harness, steps), accepted(steps));
    EXPECT_EQ(kind.stored(harness.sim.memory()), kind.data);
    EXPECT_EQ(harness.sim.faults().firedCount(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UploadReceiverTest, ::testing::Values(&fontKind, &imageKind),
                         testing::PrintedName());

// A step out of place or of the wrong size, after the first `stepsDone` steps
// of the upload went right (0 begin, 1-3 metadata, 4 save, 5 data begin, 6-12
// data, 13 save).
struct StepMistake {
    const char* name;
    std::size_t stepsDone;
    std::size_t step; // index into the kind's codes
    Bytes payload;
    std::uint8_t answer;
    friend void PrintTo(const StepMistake& m, std::ostream* os) { *os << m.name; }
};

class UploadMistakeTest
    : public ::testing::TestWithParam<std::tuple<const UploadKind*, StepMistake>> {};

TEST_P(UploadMistakeTest, IsRefusedAndNothingIsStored) {
    const auto& [kind, mistake] = GetParam();
    auto steps = uploadSteps(*kind, kind->metadata, kind->data);
    steps.resize(mistake.stepsDone);
    Bytes expected = accepted(steps);
    expected.push_back(mistake.answer);
    Bytes payload = mistake.payload;
    if (mistake.step == 0 && kind->font)
        payload.push_back(2); // the font's begin also names the slot
    steps.push_back({kind->codes[mistake.step], 0x21, payload});
    steps.push_back({kind->codes[5], 0x21, {}});
    PipeHarness harness;
    Bytes answers = sendAll(harness, steps);
    answers.pop_back(); // whatever the data save says, nothing may be stored
    EXPECT_EQ(answers, expected);
    EXPECT_EQ(kind->stored(harness.sim.memory()), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UploadMistakeTest,
    ::testing::Combine(
        ::testing::Values(&fontKind, &imageKind),
        ::testing::Values(StepMistake{"chunkBeforeBegin", 0, 1, {1}, respFail},
                          StepMistake{"beginOfAnotherSize", 0, 0, {0x40, 0x00}, respBadSize},
                          StepMistake{"dataOfAnotherSize", 5, 3, {0x2D, 0x01}, respBadSize},
                          StepMistake{"dataPastItsSize", 12, 4, Bytes(13, 0), respBadSize},
                          StepMistake{"saveBeforeAllData", 12, 5, {}, respBadSize})),
    testing::PrintedName());

TEST(FontStorage, UploadLandsInTheNamedSlotAndOnlyAFontNotTheDefaultCanBeDeleted) {
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory());
    const Bytes columns = rampBytes(5 * 95);
    const auto steps =
        uploadSteps(fontKind, sim::makeFontMetadataBlock("Five by seven", 5, 7, 95, 5 * 95), columns, 5);
    EXPECT_EQ(sendAll(harness, steps), accepted(steps));
    EXPECT_EQ(harness.sim.memory().font(5)->data, columns);
    const SerialPacket slot = harness.ask(cmdSendFontMeta, {5});
    ASSERT_EQ(slot.code, respFontMeta);
    EXPECT_EQ(slice(slot.payload, 0, 4), (Bytes{5, 5, 7, 95}));
    Bytes nameField = textBytes("Five by seven");
    nameField.resize(32, 0);
    EXPECT_EQ(slice(slot.payload, 8, 32), nameField);
    EXPECT_EQ(harness.ask(cmdSettings, {0}).payload.at(6), 2) << "numFonts follows the slots";

    EXPECT_EQ(harness.ask(cmdDeleteFont, {0}).code, respFail) << "the default font";
    EXPECT_EQ(harness.ask(cmdSettings, {1, 7, 5}).payload.at(9), 5);
    EXPECT_EQ(harness.ask(cmdDeleteFont, {0}).code, B2);
    EXPECT_EQ(harness.ask(cmdDeleteFont, {5}).code, respFail);
    EXPECT_EQ(harness.ask(cmdSendFontMeta, {0}).code, respFontEmpty);
    EXPECT_EQ(harness.ask(cmdSettings, {0}).payload.at(6), 1);
}

// Uploads an image; returns the answer to its last step.
std::uint8_t uploadImage(PipeHarness& harness, const std::string& name, std::uint8_t width,
                         std::uint8_t height, const Bytes& rle) {
    const auto metadata =
        sim::makeImageMetadataBlock(name, width, height, static_cast<std::uint32_t>(rle.size()));
    return sendAll(harness, uploadSteps(imageKind, metadata, rle)).back();
}

TEST(ImageStorage, UploadTakesTheFirstFreeSlotAndReadsBackInPiecesAtTheAskedOffset) {
    sim::SimulatorConfig config;
    config.imagePieceSize = 100;
    PipeHarness harness(config);
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{1, 0})) << "no images";
    fillSampleMemory(harness.sim.memory());
    const Bytes rle = pixelRuns(500); // 25 × 20 pixels
    EXPECT_EQ(uploadImage(harness, "Stripes", 25, 20, rle), B2);
    EXPECT_EQ(harness.ask(cmdSendImageNames, {2, 0}).payload, textBytes("Stripes"));
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{4, 0}));

    Bytes readBack;
    while (readBack.size() < rle.size()) {
        const auto offset = static_cast<std::uint16_t>(readBack.size());
        const SerialPacket piece =
            harness.ask(cmdSendImageData, {2, 0, static_cast<std::uint8_t>(offset),
                                           static_cast<std::uint8_t>(offset >> 8)});
        ASSERT_EQ(piece.code, respImageData);
        ASSERT_EQ(piece.payload.at(0) | (piece.payload.at(1) << 8), offset);
        ASSERT_EQ(piece.payload.size() - 2, std::min<std::size_t>(100, rle.size() - offset));
        readBack.insert(readBack.end(), piece.payload.begin() + 2, piece.payload.end());
    }
    EXPECT_EQ(readBack, rle);

    EXPECT_EQ(uploadImage(harness, "Next", 1, 1, {1, 0, 0}), B2);
    EXPECT_EQ(harness.ask(cmdSendImageNames, {4, 0}).payload, textBytes("Next"));
    EXPECT_EQ(harness.ask(cmdSendImageCount).payload, (Bytes{5, 0}));
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
