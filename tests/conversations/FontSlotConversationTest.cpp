// The font slot list, upload and delete against the simulated Norix: wire
// bytes, every status and error text, retries, refusals, time-outs and a
// connection lost in the middle.

#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/conversations/SampleData.h"
#include "tests/support/SimulatedNorix.h"

#include <tuple>

namespace norix::testing {
namespace {

class FontSlots : public ConversationFixture {
protected:
    void upload(std::int64_t slot = 3) {
        fonts.uploadFont("Sample", 5, 7, sampleColumns(475), slot);
    }
};

TEST_F(FontSlots, ConnectReadsTheSixSlotsIntoTheCache) {
    sim.simulator().memory().setFont(2, sim::makeStoredFont("Tiny", 3, 5, Bytes(30, 0x11)));
    ASSERT_TRUE(link.connect(sim.slavePath()));
    ASSERT_TRUE(runUntil([this] { return !fonts.isLoadingFontList(); }));
    const auto queries = commandsWithCode(cmdSendFontMeta);
    ASSERT_EQ(queries.size(), 6u);
    for (std::uint8_t slot = 0; slot < 6; ++slot)
        EXPECT_EQ(queries[slot].payload, Bytes{slot});
    EXPECT_EQ(fonts.norixFontSlots()[2], NorixFontSlot(2, "Tiny", 3, 5, 10));
}

TEST(FontMetadata, NameIsCutToThirtyOneBytesAndTerminated) {
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\u00E9tail"; // é straddles byte 31
    const auto block = makeFontMetadata(longName, 8, 8, 95, 760);
    ASSERT_TRUE(block);
    EXPECT_EQ(std::string(block->begin() + 2, block->begin() + 33), longName.substr(0, 31));
    EXPECT_EQ((*block)[33], 0);
    EXPECT_EQ(Bytes(block->begin() + 34, block->begin() + 44),
              (Bytes{8, 8, 8, 95, 0, 0, 0xF8, 0x02, 0, 0}));
}

TEST_F(FontSlots, UploadRefusalsSendNothing) {
    upload();
    EXPECT_EQ(fonts.fontUploadError(), "Norix is not connected.");
    connect();
    // Width, height, slot, number of columns, and the refusal.
    const std::tuple<std::int64_t, std::int64_t, std::int64_t, std::size_t, const char*> cases[] = {
        {8, 8, -1, 8, "The selected font slot is invalid."},
        {8, 8, 6, 8, "The selected font slot is invalid."},
        {0, 8, 0, 8, "The font width is invalid."},
        {256, 8, 0, 256, "The font width is invalid."},
        {8, 0, 0, 8, "Norix fonts must be between 1 and 8 pixels high."},
        {8, 9, 0, 8, "Norix fonts must be between 1 and 8 pixels high."},
        {8, 8, 0, 0, "The font contains no glyph data."},
        {8, 8, 0, 12, "The font data does not contain complete glyphs."},
        {1, 8, 0, 65536, "The font contains too much data."},
        {1, 8, 0, 256, "The font glyph count is invalid."},
    };
    for (const auto& [width, height, slot, columns, message] : cases) {
        fonts.uploadFont("Bad", width, height, sampleColumns(columns), slot);
        EXPECT_EQ(fonts.fontUploadError(), message);
    }
    settle();
    EXPECT_TRUE(commands.empty());
    upload();
    upload();
    EXPECT_EQ(fonts.fontUploadError(), "A font upload is already in progress.");
    EXPECT_TRUE(fonts.isUploadingFont());
}

TEST_F(FontSlots, MalformedSlotAnswersChangeNoSlot) {
    connect();
    sim.simulator().memory().setFont(1, sim::makeStoredFont("One", 8, 8, Bytes(8, 1)));
    fonts.requestFontList();
    settle();
    // Too short to name a slot.
    const auto before = fonts.norixFontSlots();
    inject({respFontMeta, 200, Bytes(39, 0)});
    inject({respFontEmpty, 202, {}});
    EXPECT_EQ(fonts.norixFontSlots(), before);
    EXPECT_TRUE(unclaimed.empty());

    // A name of zero bytes, or one that is not UTF-8, empties the slot.
    Bytes answer(40, 0);
    answer[0] = 1;
    inject({respFontMeta, 17, answer});
    EXPECT_TRUE(fonts.norixFontSlots()[1].isEmpty());
    fonts.requestFontList();
    settle();
    ASSERT_FALSE(fonts.norixFontSlots()[1].isEmpty());
    answer[8] = 0xC3;
    answer[9] = 0x28;
    inject({respFontMeta, 18, answer});
    EXPECT_TRUE(fonts.norixFontSlots()[1].isEmpty());
}

// ---- Delete ----

class FontDelete : public FontSlots {
protected:
    void SetUp() override {
        FontSlots::SetUp();
        sim.simulator().memory().setFont(2, sim::makeStoredFont("Two", 8, 8, Bytes(16, 3)));
        connect();
        // The default font cannot be deleted by the Norix; make slot 2 an ordinary one.
        sim.simulator().memory().setSettingByte(settingsFontNumberOffset, 0);
    }
};

TEST_F(FontDelete, RefusalsSendNothing) {
    fonts.deleteFont(6);
    EXPECT_EQ(fonts.fontDeleteError(), "The selected font slot is invalid.");
    fonts.deleteFont(1);
    EXPECT_EQ(fonts.fontDeleteError(), "The selected font slot is empty.");
    upload();
    fonts.deleteFont(2);
    EXPECT_EQ(fonts.fontDeleteError(), "Another font operation is already in progress.");
    EXPECT_TRUE(commandsWithCode(cmdDeleteFont).empty());
    link.disconnect();
    fonts.deleteFont(2);
    EXPECT_EQ(fonts.fontDeleteError(), "Norix is not connected.");
}

TEST_F(FontDelete, UploadingWhileADeleteRunsIsAllowed) {
    fonts.deleteFont(2);
    upload(4);
    EXPECT_TRUE(fonts.isUploadingFont());
    EXPECT_FALSE(fonts.fontUploadError());
    ASSERT_TRUE(runUntil([this] { return !fonts.isUploadingFont() && !fonts.isDeletingFont(); }));
    EXPECT_EQ(fonts.fontDeleteStatus(), "Font deleted from slot 2.");
    EXPECT_EQ(fonts.fontUploadStatus(), "Font uploaded to slot 4.");
}

// The Norix's answer to the delete of slot 2, and how the delete ends.
struct DeleteAnswer {
    const char* name;
    std::optional<sim::FaultAction> fault;
    std::string status;
    std::optional<std::string> error;
    friend void PrintTo(const DeleteAnswer& c, std::ostream* out) { *out << c.name; }
};

class FontDeleteAnswer : public FontDelete, public ::testing::WithParamInterface<DeleteAnswer> {};

TEST_P(FontDeleteAnswer, EndsTheDeleteWithItsText) {
    const auto& c = GetParam();
    if (c.fault)
        addFault(cmdDeleteFont, 1, *c.fault);
    fonts.deleteFont(2);
    EXPECT_EQ(fonts.fontDeleteStatus(), "Deleting font from slot 2\u2026");
    EXPECT_TRUE(fonts.isDeletingFont());
    settle();
    // Only silence keeps the delete waiting; a lost link ends it at once.
    EXPECT_EQ(fonts.isDeletingFont(), c.fault == sim::FaultAction::drop);
    if (c.fault == sim::FaultAction::drop) {
        advance(Milliseconds(2999));
        EXPECT_TRUE(fonts.isDeletingFont());
    }
    advance(Milliseconds(3000)); // ends a silent delete; a disarmed time-out stays quiet
    EXPECT_FALSE(fonts.isDeletingFont());
    EXPECT_EQ(fonts.fontDeleteStatus(), c.status);
    EXPECT_EQ(fonts.fontDeleteError(), c.error);
    const auto sent = commandsWithCode(cmdDeleteFont);
    ASSERT_EQ(sent.size(), c.fault == sim::FaultAction::retry ? 2u : 1u);
    EXPECT_EQ(sent.back().payload, Bytes{2});
    // Only a deleted slot is read again, after the delete.
    const bool deleted = !c.status.empty();
    EXPECT_EQ(commandsWithCode(cmdSendFontMeta).size(), deleted ? 1u : 0u);
    EXPECT_EQ(lastCommand().code, deleted ? cmdSendFontMeta : cmdDeleteFont);
}

using enum sim::FaultAction;

const DeleteAnswer deleteAnswers[] = {
    {"Done", std::nullopt, "Font deleted from slot 2.", std::nullopt},
    {"RetrySendsItAgain", retry, "Font deleted from slot 2.", std::nullopt},
    {"BadSize", badSize, "", "Norix rejected the delete command size."},
    {"Failure", fail, "",
     "Norix could not delete that font. If it is the default font, select another default font "
     "first."},
    {"Silence", drop, "", "Norix did not respond to the delete-font command."},
    // A lost link ends the delete without an error.
    {"HangUp", hangUpBefore, "", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Table, FontDeleteAnswer, ::testing::ValuesIn(deleteAnswers),
                         testing::PrintedName());

} // namespace
} // namespace norix::testing
