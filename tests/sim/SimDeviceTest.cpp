// What the simulated Norix answers to commands it must refuse or that the
// application never sends in one piece, byte for byte; every command gets an
// answer with its sequence echoed.
// The answers the conversations read are pinned by their own tests.

#include "core/link/ProtocolCodes.h"
#include "tests/support/SimulatedNorix.h"

#include <gtest/gtest.h>
#include <ostream>

namespace norix::testing {
namespace {

struct AnswerCase {
    const char* name;
    std::uint8_t code;
    Bytes payload;
    std::uint8_t answerCode;
    Bytes answerPayload;
    friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }
};

class DeviceAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(DeviceAnswerTest, AnswersByteForByte) {
    const AnswerCase& c = GetParam();
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory());
    const SerialPacket answer = harness.ask(c.code, c.payload);
    EXPECT_EQ(answer.code, c.answerCode);
    EXPECT_EQ(answer.payload, c.answerPayload);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DeviceAnswerTest,
    ::testing::Values(AnswerCase{"serialWithPayload", 0xDC, {1}, 0xB4, {}},
                      AnswerCase{"chipNameOutOfRange", 0xC7, {2, 0}, 0xB3, {}},
                      AnswerCase{"chipNameShortIndex", 0xC7, {0}, 0xB4, {}},
                      AnswerCase{"chipStringNumber8", 0xD8, {0, 0, 8}, 0xB3, {}},
                      AnswerCase{"chipCodeContinueUnstarted", 0xD7, {0xAA, 0xAA}, 0xB3, {}},
                      AnswerCase{"chipMetadataOutOfRange", 0xD6, {9, 0}, 0xB3, {}},
                      AnswerCase{"deleteChipOutOfRange", 0xDA, {5, 0}, 0xB3, {}},
                      AnswerCase{"finishBatch", 0xCF, {}, 0xB2, {}},
                      AnswerCase{"storeWithoutUpload", 0xC6, {}, 0xB3, {}},
                      AnswerCase{"stringsBeforeMetadata", 0xAC, {}, 0xB3, {}},
                      AnswerCase{"metadataOfWrongSize", 0xCA, Bytes(40, 0), 0xB4, {}},
                      AnswerCase{"metadataWithWrongMarker", 0xCA, Bytes(41, 0xA5), 0xB3, {}},
                      AnswerCase{"fontSlot6", 0xDE, {6}, 0xB3, {}},
                      AnswerCase{"deleteDefaultFont", 0xE6, {0}, 0xB3, {}},
                      AnswerCase{"deleteEmptyFont", 0xE6, {4}, 0xB3, {}},
                      AnswerCase{"fontBeginSlot6", 0xC0, {0x80, 0x00, 6}, 0xB3, {}},
                      AnswerCase{"imageNameEmptySlot", 0xD4, {2, 0}, 0xB3, {}},
                      AnswerCase{"imageNameSlot0", 0xD4, {0, 0}, 0xB3, {}},
                      AnswerCase{"imageNameSlot256", 0xD4, {0, 1}, 0xB3, {}},
                      AnswerCase{"imageDataPastEnd", 0xE8, {1, 0, 3, 0}, 0xB3, {}},
                      AnswerCase{"imageDataShort", 0xE8, {1, 0, 0}, 0xB4, {}},
                      AnswerCase{"settingsSetMaxTempF",
                                 0xE4,
                                 {1, 11, 90},
                                 0xE5,
                                 {1, 1, 8, 0, 1, 0, 1, 0, 0, 0, 10, 40, 50, 90}},
                      AnswerCase{"settingsLogoSpeed3", 0xE4, {1, 3, 3}, 0xB3, {}},
                      AnswerCase{"settingsDefaultFontEmptySlot", 0xE4, {1, 7, 4}, 0xB3, {}},
                      AnswerCase{"settingsId12", 0xE4, {1, 12, 0}, 0xB3, {}},
                      AnswerCase{"settingsUnknownSub", 0xE4, {2}, 0xB3, {}},
                      AnswerCase{"settingsEmpty", 0xE4, {}, 0xB4, {}},
                      AnswerCase{"settingsGetWithExtra", 0xE4, {0, 0}, 0xB4, {}},
                      AnswerCase{"settingsSetShort", 0xE4, {1, 3}, 0xB4, {}},
                      AnswerCase{"unknownCommand", 0x42, {1, 2}, 0xB3, {}}),
    testing::PrintedName());

TEST(DeviceAnswer, FollowsTheConfigurationAndChangesNothingWithoutUploadMode) {
    sim::SimulatorConfig config;
    config.serialNumber = "NX-123";
    config.uploadMode = false;
    PipeHarness harness(config);
    fillSampleMemory(harness.sim.memory());
    EXPECT_EQ(harness.ask(0xDC).payload, textBytes("NX-123"));
    EXPECT_EQ(harness.ask(0xAF).code, 0x06);
    EXPECT_EQ(harness.ask(0xCA, sim::makeChipUploadMetadata("X", 0, 14, 0, 0, 0)).code, 0xB3);
    EXPECT_EQ(harness.ask(0xD3).code, 0xB3);
    EXPECT_EQ(harness.sim.memory().chips().size(), 2u);
    harness.sim.config().uploadMode = true;
    EXPECT_EQ(harness.ask(0xCA, sim::makeChipUploadMetadata("X", 0, 14, 0, 0, 0)).code, 0xB2);
}

TEST(DeviceAnswer, EveryGarbledCommandGetsAnAnswer) {
    PipeHarness harness;
    fillSampleMemory(harness.sim.memory());
    // Every code with a few payload shapes: one answer each, never silence.
    for (int code = 0; code < 256; ++code) {
        for (const Bytes& payload : {Bytes{}, Bytes{0xFF}, Bytes{0xFF, 0xFF}, Bytes(70, 0xAA)}) {
            const auto answers = harness.exchange(static_cast<std::uint8_t>(code), payload, 0x9C);
            ASSERT_EQ(answers.size(), 1u) << "code " << code << " payload " << payload.size();
            EXPECT_EQ(answers.front().sequence, 0x9C);
        }
    }
}

} // namespace
} // namespace norix::testing
