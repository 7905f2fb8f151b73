// Fault rules: their text form, and that each one does to the answer exactly
// what it says (and leaves the device's state as a refused command would).

#include "core/link/ProtocolCodes.h"
#include "tests/support/SimulatedNorix.h"

#include <gtest/gtest.h>

namespace norix::testing {
namespace {

struct ParseCase {
    const char* text;
    std::optional<FaultRule> rule;
};

void PrintTo(const ParseCase& value, std::ostream* out) {
    *out << value.text;
}

class FaultRuleParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FaultRuleParseTest, ReadsTheTextForm) {
    const FaultRuleParse parsed = parseFaultRule(GetParam().text);
    EXPECT_EQ(parsed.rule, GetParam().rule);
    EXPECT_EQ(parsed.error.empty(), parsed.rule.has_value());
    // ... and writes it back in a form that reads the same.
    if (parsed.rule) {
        EXPECT_EQ(parseFaultRule(describeFaultRule(*parsed.rule)).rule, parsed.rule);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FaultRuleParseTest,
    ::testing::Values(
        ParseCase{"0xCB:3:retry", FaultRule{0xCB, 3, FaultAction::retry, 0}},
        ParseCase{"cb:3:retry", FaultRule{0xCB, 3, FaultAction::retry, 0}},
        ParseCase{"0xE4:drop", FaultRule{0xE4, std::nullopt, FaultAction::drop, 0}},
        ParseCase{"*:*:fail", FaultRule{std::nullopt, std::nullopt, FaultAction::fail, 0}},
        ParseCase{"*:7:badsize", FaultRule{std::nullopt, 7, FaultAction::badSize, 0}},
        ParseCase{"0xD0:crc", FaultRule{0xD0, std::nullopt, FaultAction::corruptCrc, 0}},
        ParseCase{"0xD0:2:delay:250", FaultRule{0xD0, 2, FaultAction::delay, 250}},
        ParseCase{"0xD0:delay:250", FaultRule{0xD0, std::nullopt, FaultAction::delay, 250}},
        ParseCase{"0xDC:1:split:2", FaultRule{0xDC, 1, FaultAction::split, 2}},
        ParseCase{"*:5:hangup-before", FaultRule{std::nullopt, 5, FaultAction::hangUpBefore, 0}},
        ParseCase{"0xC6:hangup-after", FaultRule{0xC6, std::nullopt, FaultAction::hangUpAfter, 0}},
        ParseCase{"0xCB", std::nullopt}, ParseCase{"0x1CB:retry", std::nullopt},
        ParseCase{"zz:retry", std::nullopt}, ParseCase{"0xCB:0:retry", std::nullopt},
        ParseCase{"0xCB:3:explode", std::nullopt}, ParseCase{"0xCB:delay", std::nullopt},
        ParseCase{"0xCB:split:0", std::nullopt}, ParseCase{"0xCB:retry:5", std::nullopt},
        ParseCase{"0xCB:1:delay:x", std::nullopt}, ParseCase{"", std::nullopt}),
    testing::PrintedName());

// A settings change is the probe: its effect is visible in memory and its answer is unique.
const Bytes setAux{1, 6, 1};
bool auxIsOn(PipeHarness& harness) {
    return harness.sim.memory().settings()[8] == 1;
}

struct ReplacedAnswer {
    FaultAction action;
    std::uint8_t code;
    friend void PrintTo(const ReplacedAnswer& c, std::ostream* os) {
        *os << "answer" << std::hex << std::uppercase << int{c.code};
    }
};

class ReplacedAnswerTest : public ::testing::TestWithParam<ReplacedAnswer> {};

TEST_P(ReplacedAnswerTest, AnswersTheCodeInsteadAndLeavesTheDeviceUnchanged) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSettings, 2, GetParam().action, 0});
    EXPECT_EQ(harness.ask(cmdSettings, {0}, 1).code, respSettings);
    const SerialPacket refused = harness.ask(cmdSettings, setAux, 2);
    EXPECT_EQ(refused, (SerialPacket{GetParam().code, 2, {}}));
    EXPECT_FALSE(auxIsOn(harness));
    // Only the second occurrence was meant: the same command now goes through.
    EXPECT_EQ(harness.ask(cmdSettings, setAux, 3).code, respSettings);
    EXPECT_TRUE(auxIsOn(harness));
}

INSTANTIATE_TEST_SUITE_P(Codes, ReplacedAnswerTest,
                         ::testing::Values(ReplacedAnswer{FaultAction::retry, 0xB1},
                                           ReplacedAnswer{FaultAction::fail, 0xB3},
                                           ReplacedAnswer{FaultAction::badSize, 0xB4}),
                         testing::PrintedName());

TEST(Faults, ARetriedChunkIsNotAppendedTwice) {
    PipeHarness harness;
    harness.sim.faults().add({cmdFontDataChunk, 1, FaultAction::retry, 0});
    const Bytes metadata = makeFontMetadataBlock("F", 2, 8, 2, 4);
    harness.expectAccepted(cmdFontMetaBegin, {0x80, 0, 0}, 0xB0);
    for (std::size_t offset = 0; offset < 128; offset += 48)
        harness.expectAccepted(
            cmdFontMetaChunk,
            Bytes(metadata.begin() + static_cast<long>(offset),
                  metadata.begin() + static_cast<long>(std::min<std::size_t>(offset + 48, 128))),
            0xB0);
    harness.expectAccepted(cmdFontMetaSave, {}, 0xB2);
    harness.expectAccepted(cmdFontDataBegin, {4, 0}, 0xB0);
    EXPECT_EQ(harness.ask(cmdFontDataChunk, {1, 2, 3, 4}).code, respRetry);
    harness.expectAccepted(cmdFontDataChunk, {1, 2, 3, 4}, 0xB0);
    harness.expectAccepted(cmdFontDataSave, {}, 0xB2);
    EXPECT_EQ(harness.sim.memory().font(0)->data, (Bytes{1, 2, 3, 4}));
}

TEST(Faults, DropLosesTheAnswerButTheCommandIsCarriedOut) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSettings, std::nullopt, FaultAction::drop, 0});
    EXPECT_TRUE(harness.exchange(cmdSettings, setAux).empty());
    EXPECT_TRUE(harness.chunks.empty());
    EXPECT_TRUE(auxIsOn(harness));
    EXPECT_EQ(harness.ask(cmdSerialNumber).code, respSerialNumber)
        << "other commands still answered";
}

TEST(Faults, CorruptCrcFailsTheHostsCheck) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSerialNumber, 1, FaultAction::corruptCrc, 0});
    EXPECT_TRUE(harness.exchange(cmdSerialNumber).empty());
    ASSERT_EQ(harness.frameErrors.size(), 1u);
    EXPECT_EQ(harness.frameErrors[0].rfind("Serial CRC mismatch.", 0), 0u);
    EXPECT_EQ(harness.ask(cmdSerialNumber).code, respSerialNumber);
}

TEST(Faults, DelayHoldsTheAnswerOnTheLoopsClock) {
    PipeHarness harness;
    harness.sim.faults().add({cmdUploadModeQuery, std::nullopt, FaultAction::delay, 300});
    EXPECT_TRUE(harness.exchange(cmdUploadModeQuery, {}, 9).empty());
    harness.loop.advance(Milliseconds(299));
    EXPECT_TRUE(harness.answers.empty());
    harness.loop.advance(Milliseconds(1));
    ASSERT_EQ(harness.answers.size(), 1u);
    EXPECT_EQ(harness.answers[0], (SerialPacket{respUploadModeOn, 9, {}}));
}

class SplitTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(SplitTest, DeliversTheAnswerInPiecesOfKBytes) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSerialNumber, std::nullopt, FaultAction::split, GetParam()});
    const auto answers = harness.exchange(cmdSerialNumber, {}, 4);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], (SerialPacket{respSerialNumber, 4, textBytes("SIM-0001")}));
    const Bytes frame = encodeFrame(answers[0]);
    ASSERT_EQ(harness.chunks.size(), (frame.size() + GetParam() - 1) / GetParam());
    Bytes joined;
    for (std::size_t i = 0; i < harness.chunks.size(); ++i) {
        EXPECT_EQ(harness.chunks[i].size(),
                  std::min<std::size_t>(GetParam(), frame.size() - i * GetParam()));
        joined.insert(joined.end(), harness.chunks[i].begin(), harness.chunks[i].end());
    }
    EXPECT_EQ(joined, frame);
}

INSTANTIATE_TEST_SUITE_P(PieceSizes, SplitTest, ::testing::Values(1u, 2u, 5u, 100u),
                         testing::PrintedName());

TEST(Faults, HangUpBeforeAnsweringClosesWithoutCarryingOut) {
    PipeHarness harness;
    bool announced = false;
    Connection connection = harness.sim.disconnected.connect([&] { announced = true; });
    harness.sim.faults().add({cmdSettings, 1, FaultAction::hangUpBefore, 0});
    EXPECT_TRUE(harness.exchange(cmdSettings, setAux).empty());
    EXPECT_TRUE(harness.hungUp);
    EXPECT_TRUE(announced);
    EXPECT_FALSE(harness.sim.isAttached());
    EXPECT_FALSE(auxIsOn(harness));
    EXPECT_TRUE(harness.exchange(cmdSerialNumber).empty()) << "nothing is served after a hang-up";
}

TEST(Faults, CommandsBehindAHangUpInTheSameChunkAreNotCarriedOut) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSerialNumber, 1, FaultAction::hangUpBefore, 0});
    Bytes chunk = encodeFrame({cmdSerialNumber, 1, {}});
    const Bytes second = encodeFrame({cmdSettings, 2, setAux});
    chunk.insert(chunk.end(), second.begin(), second.end());
    harness.sim.receiveBytes(chunk);
    harness.loop.runPending();
    EXPECT_TRUE(harness.hungUp);
    EXPECT_TRUE(harness.answers.empty());
    EXPECT_FALSE(auxIsOn(harness));
}

TEST(Faults, HangUpAfterAnsweringDeliversTheAnswerFirst) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSettings, 1, FaultAction::hangUpAfter, 0});
    const auto answers = harness.exchange(cmdSettings, setAux);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].code, respSettings);
    EXPECT_TRUE(harness.hungUp);
    EXPECT_TRUE(auxIsOn(harness));
}

TEST(Faults, OccurrencesCountPerCodeOrOverAllCommands) {
    PipeHarness harness;
    harness.sim.faults().add({std::nullopt, 3, FaultAction::fail, 0});
    harness.sim.faults().add({cmdSerialNumber, 2, FaultAction::retry, 0});
    std::vector<std::uint8_t> codes;
    for (std::uint8_t command : {cmdSerialNumber, cmdUploadModeQuery, cmdUploadModeQuery,
                                 cmdSerialNumber, cmdSerialNumber})
        codes.push_back(harness.ask(command).code);
    EXPECT_EQ(codes, (std::vector<std::uint8_t>{0xE0, 0x05, 0xB3, 0xB1, 0xE0}));
    EXPECT_EQ(harness.sim.faults().occurrences(cmdSerialNumber), 3u);
    EXPECT_EQ(harness.sim.faults().firedCount(), 2u);
}

TEST(Faults, BadFramesAreCountedAndNotAnswered) {
    PipeHarness harness;
    Bytes frame = encodeFrame({cmdSerialNumber, 1, {}});
    frame[frame.size() - 2] ^= 0x01;
    harness.sim.receiveBytes(frame);
    harness.sim.receiveBytes(Bytes{0x00, 0x00, 0x05, 0x01, 0x00});
    harness.loop.runPending();
    EXPECT_TRUE(harness.answers.empty());
    EXPECT_EQ(harness.sim.rejectedFrames(), 2u);
    EXPECT_EQ(harness.ask(cmdSerialNumber).code, respSerialNumber);
}

} // namespace
} // namespace norix::testing
