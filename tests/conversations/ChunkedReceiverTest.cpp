// The simulated Norix's end of the font and image uploads: which command it
// takes in which state, and what it answers to sizes that do not add up.

#include "sim/ChunkedReceiver.h"

#include "core/link/ProtocolCodes.h"
#include "tests/support/TestSupport.h"

namespace norix::testing {
namespace {

using Commands = std::vector<std::pair<std::uint8_t, Bytes>>;

// Codes 1 to 6 stand for meta begin … data save. The first metadata byte is
// the declared data size (zero: nothing storable); a second byte other than
// zero makes the store fail. The first `count` commands of a good upload.
Commands upTo(std::size_t count, std::uint8_t declared = 10, std::uint8_t refuseStore = 0) {
    Bytes first(48, 0);
    first[0] = declared;
    first[1] = refuseStore;
    const Commands all{{1, {128, 0, 2}},  {2, first},       {2, Bytes(48, 0)},
                       {2, Bytes(32, 0)}, {3, {}},          {4, {10, 0}},
                       {5, Bytes(6, 7)},  {5, Bytes(4, 7)}, {6, {}}};
    return Commands(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
}

Commands operator+(Commands head, const Commands& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

struct ReceiverCase {
    const char* name;
    Commands commands;
    std::uint8_t answer; // to the last command
    friend void PrintTo(const ReceiverCase& c, std::ostream* out) { *out << c.name; }
};

class Receiver : public ::testing::TestWithParam<ReceiverCase> {};

TEST_P(Receiver, AnswersTheLastCommand) {
    std::optional<std::pair<Bytes, Bytes>> stored;
    sim::ChunkedReceiver receiver(
        {1, 2, 3, 4, 5, 6},
        {.beginSuffixSize = 1,
         .canBegin = [](const Bytes& suffix) { return suffix[0] < 6; },
         .acceptMetadata = [](const Bytes& metadata) -> std::optional<std::size_t> {
             return metadata[0] ? std::optional<std::size_t>(metadata[0]) : std::nullopt;
         },
         .store =
             [&](Bytes metadata, Bytes data) {
                 stored.emplace(metadata, data);
                 return metadata[1] == 0;
             }});
    SerialPacket answer;
    std::uint8_t sequence = 0;
    for (const auto& [code, payload] : GetParam().commands) {
        ASSERT_TRUE(receiver.handles(code));
        answer = receiver.receive({code, ++sequence, payload});
    }
    EXPECT_EQ(answer.code, GetParam().answer);
    EXPECT_EQ(stored.has_value(),
              GetParam().commands.back().first == 6 && GetParam().answer != respBadSize);
    if (stored && answer.code == respDone) {
        EXPECT_EQ(stored->first.size(), 128u);
        EXPECT_EQ(stored->second, Bytes(10, 7));
    }
}

const ReceiverCase receiverCases[] = {
    {"Stored", upTo(9), respDone},
    {"StoreRefused", upTo(9, 10, 1), respFail},
    {"MetadataRefused", upTo(5, 0), respFail},
    {"ChunkAfterRefusedMetadata", upTo(5, 0) + Commands{{2, {0}}}, respFail},
    {"ChunkBeforeBegin", {{2, Bytes(48, 0)}}, respFail},
    {"BeginWithoutItsSuffix", {{1, {128, 0}}}, respBadSize},
    {"BeginForAnotherSize", {{1, {127, 0, 2}}}, respBadSize},
    {"BeginRefused", {{1, {128, 0, 6}}}, respFail},
    {"ChunkOf49", upTo(1) + Commands{{2, Bytes(49, 0)}}, respBadSize},
    {"EmptyChunk", upTo(1) + Commands{{2, {}}}, respBadSize},
    {"MetadataOverflow", upTo(3) + Commands{{2, Bytes(48, 0)}}, respBadSize},
    {"SaveOfShortMetadata", upTo(3) + Commands{{3, {}}}, respBadSize},
    {"MetadataChunkAfterItsSave", upTo(5) + Commands{{2, Bytes(1, 0)}}, respFail},
    {"DataBeforeTheMetadataSave", upTo(4) + Commands{{4, {10, 0}}}, respFail},
    {"DataBeginForAnotherSize", upTo(5) + Commands{{4, {9, 0}}}, respBadSize},
    {"DataOverflow", upTo(7) + Commands{{5, Bytes(5, 7)}}, respBadSize},
    {"SaveOfShortData", upTo(7) + Commands{{6, {}}}, respBadSize},
    {"SecondSave", upTo(9) + Commands{{6, {}}}, respFail},
};

INSTANTIATE_TEST_SUITE_P(Table, Receiver, ::testing::ValuesIn(receiverCases),
                         testing::PrintedName());

} // namespace
} // namespace norix::testing
