// Fault rules: their text form, and that each one does to the answer exactly
// what it says (and leaves the device's state as a refused command would).

#include "core/link/ProtocolCodes.h"
#include "tests/support/SimulatedNorix.h"

#include <gtest/gtest.h>

namespace norix::testing {
namespace {

using enum sim::FaultAction;
using Rule = sim::FaultRule;
constexpr std::nullopt_t any = std::nullopt;

struct ParseCase {
    const char* text;
    std::optional<Rule> rule;
    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.text; }
};

class FaultRuleParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FaultRuleParseTest, ReadsTheTextForm) {
    const sim::FaultRuleParse parsed = sim::parseFaultRule(GetParam().text);
    EXPECT_EQ(parsed.rule, GetParam().rule);
    EXPECT_EQ(parsed.error.empty(), parsed.rule.has_value());
    // ... and writes it back in a form that reads the same.
    if (parsed.rule) {
        EXPECT_EQ(sim::parseFaultRule(sim::describeFaultRule(*parsed.rule)).rule, parsed.rule);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FaultRuleParseTest,
    ::testing::Values(ParseCase{"0xCB:3:retry", Rule{0xCB, 3, retry, 0}},
                      ParseCase{"cb:3:retry", Rule{0xCB, 3, retry, 0}},
                      ParseCase{"0xE4:drop", Rule{0xE4, any, drop, 0}},
                      ParseCase{"*:*:fail", Rule{any, any, fail, 0}},
                      ParseCase{"*:7:badsize", Rule{any, 7, badSize, 0}},
                      ParseCase{"0xD0:crc", Rule{0xD0, any, corruptCrc, 0}},
                      ParseCase{"0xD0:2:delay:250", Rule{0xD0, 2, delay, 250}},
                      ParseCase{"0xD0:delay:250", Rule{0xD0, any, delay, 250}},
                      ParseCase{"0xDC:1:split:2", Rule{0xDC, 1, split, 2}},
                      ParseCase{"*:5:hangup-before", Rule{any, 5, hangUpBefore, 0}},
                      ParseCase{"0xC6:hangup-after", Rule{0xC6, any, hangUpAfter, 0}},
                      ParseCase{"0xCB", any}, ParseCase{"0x1CB:retry", any},
                      ParseCase{"zz:retry", any}, ParseCase{"0xCB:0:retry", any},
                      ParseCase{"0xCB:3:explode", any}, ParseCase{"0xCB:delay", any},
                      ParseCase{"0xCB:split:0", any}, ParseCase{"0xCB:retry:5", any},
                      ParseCase{"0xCB:1:delay:x", any}, ParseCase{"", any}),
    testing::PrintedName());

// A settings change is the probe: its effect is visible in memory and its answer is unique.
const Bytes setAux{1, 6, 1};
bool auxIsOn(PipeHarness& harness) {
    return harness.sim.memory().settings()[8] == 1;
}

// What a fault on the second settings command does: the answer the host gets
// (none when nullopt), whether the change is carried out, and whether the
// device hangs up.
struct FaultEffect {
    const char* name;
    sim::FaultAction action;
    std::optional<std::uint8_t> answer;
    bool carriedOut;
    bool hangsUp;
    friend void PrintTo(const FaultEffect& c, std::ostream* os) { *os << c.name; }
};

class FaultEffectTest : public ::testing::TestWithParam<FaultEffect> {};

TEST_P(FaultEffectTest, ChangesTheAnswerAndTheDeviceAsItSays) {
    const FaultEffect& effect = GetParam();
    PipeHarness harness;
    bool announced = false;
    Connection connection = harness.sim.disconnected.connect([&] { announced = true; });
    harness.sim.faults().add({cmdSettings, 2, effect.action, 0});
    EXPECT_EQ(harness.ask(cmdSettings, {0}, 1).code, respSettings);
    const auto answers = harness.exchange(cmdSettings, setAux, 2);
    EXPECT_EQ(answers.empty(), !effect.answer);
    if (effect.answer && !answers.empty()) {
        EXPECT_EQ(answers[0].code, *effect.answer);
        EXPECT_EQ(answers[0].sequence, 2);
        EXPECT_EQ(answers[0].payload.empty(), *effect.answer != respSettings);
    }
    EXPECT_EQ(harness.frameErrors.empty(), effect.action != corruptCrc);
    EXPECT_EQ(auxIsOn(harness), effect.carriedOut);
    EXPECT_EQ(harness.hungUp, effect.hangsUp);
    EXPECT_EQ(announced, effect.hangsUp);
    EXPECT_EQ(harness.sim.isAttached(), !effect.hangsUp);
    // Only the second occurrence was meant: the command now goes through, unless
    // nothing is served any more.
    EXPECT_EQ(harness.exchange(cmdSettings, setAux, 3).size(), effect.hangsUp ? 0u : 1u);
    EXPECT_EQ(auxIsOn(harness), effect.carriedOut || !effect.hangsUp);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, FaultEffectTest,
    ::testing::Values(FaultEffect{"retry", retry, 0xB1, false, false},
                      FaultEffect{"fail", fail, 0xB3, false, false},
                      FaultEffect{"badSize", badSize, 0xB4, false, false},
                      FaultEffect{"drop", drop, std::nullopt, true, false},
                      FaultEffect{"corruptCrc", corruptCrc, std::nullopt, true, false},
                      FaultEffect{"hangUpBefore", hangUpBefore, std::nullopt, false, true},
                      FaultEffect{"hangUpAfter", hangUpAfter, respSettings, true, true}),
    testing::PrintedName());

TEST(Faults, DelayHoldsTheAnswerOnTheLoopsClock) {
    PipeHarness harness;
    harness.sim.faults().add({cmdUploadModeQuery, std::nullopt, delay, 300});
    EXPECT_TRUE(harness.exchange(cmdUploadModeQuery, {}, 9).empty());
    harness.loop.advance(Milliseconds(299));
    EXPECT_TRUE(harness.answers.empty());
    harness.loop.advance(Milliseconds(1));
    ASSERT_EQ(harness.answers.size(), 1u);
    EXPECT_EQ(harness.answers[0], (SerialPacket{respUploadModeOn, 9, {}}));
}

class SplitTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(SplitTest, DeliversTheAnswerInPiecesOfKBytes) {
    const std::size_t k = GetParam();
    PipeHarness harness;
    harness.sim.faults().add({cmdSerialNumber, any, split, GetParam()});
    const SerialPacket answer{respSerialNumber, 4, textBytes("SIM-0001")};
    EXPECT_EQ(harness.exchange(cmdSerialNumber, {}, 4), std::vector{answer});
    const Bytes frame = encodeFrame(answer);
    Bytes joined;
    for (std::size_t i = 0; i < harness.chunks.size(); ++i) {
        EXPECT_EQ(harness.chunks[i].size(), std::min(k, frame.size() - i * k));
        joined.insert(joined.end(), harness.chunks[i].begin(), harness.chunks[i].end());
    }
    EXPECT_EQ(joined, frame);
}

INSTANTIATE_TEST_SUITE_P(PieceSizes, SplitTest, ::testing::Values(1u, 2u, 5u, 100u),
                         testing::PrintedName());

TEST(Faults, CommandsBehindAHangUpInTheSameChunkAreNotCarriedOut) {
    PipeHarness harness;
    harness.sim.faults().add({cmdSerialNumber, 1, hangUpBefore, 0});
    Bytes chunk = encodeFrame({cmdSerialNumber, 1, {}});
    const Bytes second = encodeFrame({cmdSettings, 2, setAux});
    chunk.insert(chunk.end(), second.begin(), second.end());
    harness.sim.receiveBytes(chunk);
    harness.loop.runPending();
    EXPECT_TRUE(harness.hungUp);
    EXPECT_TRUE(harness.answers.empty());
    EXPECT_FALSE(auxIsOn(harness));
}

TEST(Faults, OccurrencesCountPerCodeOrOverAllCommands) {
    PipeHarness harness;
    harness.sim.faults().add({std::nullopt, 3, fail, 0});
    harness.sim.faults().add({cmdSerialNumber, 2, retry, 0});
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
