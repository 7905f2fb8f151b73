// The font slot list, upload and delete against the simulated Norix: wire
// bytes, every status and error text, retries, refusals, time-outs and a
// connection lost in the middle.

#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

constexpr auto ellipsis = "\u2026";

// A 5×7 font of 95 glyphs whose columns all differ from their neighbours.
std::vector<std::uint64_t> sampleColumns(std::size_t count) {
    std::vector<std::uint64_t> columns;
    for (std::size_t i = 0; i < count; ++i)
        columns.push_back((i * 37 + 11) & 0x7F);
    return columns;
}

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
    EXPECT_TRUE(fonts.norixFontSlots()[0].isEmpty());
    EXPECT_TRUE(logged("Requesting font slot 5"));
    EXPECT_TRUE(logged("Loaded font slot 2: Tiny, 3x5, 10 glyphs"));
    EXPECT_TRUE(logged("Font slot 4 is empty"));
}

TEST(FontMetadata, NameIsCutToThirtyOneBytesAndTerminated) {
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\u00E9tail"; // é straddles byte 31
    const auto block = makeFontMetadata(longName, 8, 8, 95, 760);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->size(), 128u);
    EXPECT_EQ(std::string(block->begin() + 2, block->begin() + 33), longName.substr(0, 31));
    EXPECT_EQ((*block)[33], 0);
    EXPECT_EQ((*block)[0], 0);
    EXPECT_EQ((*block)[1], 0);
    EXPECT_EQ(Bytes(block->begin() + 34, block->begin() + 44),
              (Bytes{8, 8, 8, 95, 0, 0, 0xF8, 0x02, 0, 0}));
    EXPECT_FALSE(makeFontMetadata("x", 256, 8, 1, 1));
    EXPECT_FALSE(makeFontMetadata("x", 8, 8, 1, 1ull << 32));
}

struct UploadRefusal {
    std::int64_t width, height, slot;
    std::size_t columns;
    const char* message;
    friend void PrintTo(const UploadRefusal& c, std::ostream* out) {
        *out << c.width << "x" << c.height << " slot " << c.slot << " " << c.columns << " columns";
    }
};

class FontUploadChecks : public FontSlots, public ::testing::WithParamInterface<UploadRefusal> {};

TEST_P(FontUploadChecks, RefuseWithoutSendingAnything) {
    connect();
    const auto& p = GetParam();
    fonts.uploadFont("Bad", p.width, p.height, sampleColumns(p.columns), p.slot);
    settle();
    EXPECT_EQ(fonts.fontUploadError(), p.message);
    EXPECT_FALSE(fonts.isUploadingFont());
    EXPECT_TRUE(commands.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, FontUploadChecks,
    ::testing::Values(UploadRefusal{8, 8, -1, 8, "The selected font slot is invalid."},
                      UploadRefusal{8, 8, 6, 8, "The selected font slot is invalid."},
                      UploadRefusal{0, 8, 0, 8, "The font width is invalid."},
                      UploadRefusal{256, 8, 0, 256, "The font width is invalid."},
                      UploadRefusal{8, 0, 0, 8, "Norix fonts must be between 1 and 8 pixels high."},
                      UploadRefusal{8, 9, 0, 8, "Norix fonts must be between 1 and 8 pixels high."},
                      UploadRefusal{8, 8, 0, 0, "The font contains no glyph data."},
                      UploadRefusal{8, 8, 0, 12, "The font data does not contain complete glyphs."},
                      UploadRefusal{1, 8, 0, 65536, "The font contains too much data."},
                      UploadRefusal{1, 8, 0, 256, "The font glyph count is invalid."}),
    testing::PrintedName());

TEST_F(FontSlots, UploadIsRefusedWhileDisconnectedOrAlreadyUploading) {
    upload();
    EXPECT_EQ(fonts.fontUploadError(), "Norix is not connected.");
    connect();
    upload();
    upload();
    EXPECT_EQ(fonts.fontUploadError(), "A font upload is already in progress.");
    EXPECT_TRUE(fonts.isUploadingFont());
}

TEST_F(FontSlots, MalformedSlotAnswersOnlyReachTheLog) {
    connect();
    sim.simulator().memory().setFont(1, sim::makeStoredFont("One", 8, 8, Bytes(8, 1)));
    fonts.requestFontList();
    settle();
    const auto before = fonts.norixFontSlots();
    Bytes answer(40, 0);
    answer[0] = 1;
    inject({respFontMeta, 200, Bytes(39, 0)});
    answer[0] = 6;
    inject({respFontMeta, 201, answer});
    inject({respFontEmpty, 202, {}});
    inject({respFontEmpty, 203, {9}});
    EXPECT_EQ(fonts.norixFontSlots(), before);
    for (const char* line : {"Invalid font metadata response: 39 bytes", "Invalid font slot 6",
                             "Invalid empty-font response", "Invalid empty font slot 9"})
        EXPECT_TRUE(logged(line)) << line;
    EXPECT_TRUE(unclaimed.empty());

    // A name of zero bytes, or one that is not UTF-8, empties the slot.
    answer[0] = 1;
    inject({respFontMeta, 17, answer});
    EXPECT_TRUE(fonts.norixFontSlots()[1].isEmpty());
    EXPECT_TRUE(logged("Font slot 1 returned an empty name"));
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

TEST_F(FontDelete, DeletesThenRereadsTheSlot) {
    fonts.deleteFont(2);
    EXPECT_EQ(fonts.fontDeleteStatus(), std::string("Deleting font from slot 2") + ellipsis);
    EXPECT_TRUE(fonts.isDeletingFont());
    ASSERT_TRUE(runUntil([this] { return !fonts.isDeletingFont(); }));
    ASSERT_TRUE(runUntil([this] { return !commandsWithCode(cmdSendFontMeta).empty(); }));
    EXPECT_EQ(commandsWithCode(cmdDeleteFont)[0].payload, Bytes{2});
    EXPECT_EQ(fonts.fontDeleteStatus(), "Font deleted from slot 2.");
    EXPECT_FALSE(fonts.fontDeleteError());
    EXPECT_TRUE(fonts.norixFontSlots()[2].isEmpty());
    EXPECT_EQ(lastCommand().code, cmdSendFontMeta);
    EXPECT_FALSE(sim.simulator().memory().font(2));
}

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

TEST_F(FontDelete, DeviceAnswersAndSilence) {
    const std::pair<sim::FaultAction, const char*> cases[] = {
        {sim::FaultAction::badSize, "Norix rejected the delete command size."},
        {sim::FaultAction::fail,
         "Norix could not delete that font. If it is the default font, select "
         "another default font first."},
        {sim::FaultAction::drop, "Norix did not respond to the delete-font command."},
    };
    for (const auto& [action, message] : cases) {
        sim.simulator().faults().clear();
        addFault(cmdDeleteFont, std::nullopt, action);
        fonts.deleteFont(2);
        settle();
        if (action == sim::FaultAction::drop) {
            advance(Milliseconds(2999));
            EXPECT_TRUE(fonts.isDeletingFont());
            advance(Milliseconds(1));
        }
        EXPECT_FALSE(fonts.isDeletingFont());
        EXPECT_EQ(fonts.fontDeleteError(), message);
        EXPECT_EQ(fonts.fontDeleteStatus(), "");
    }
}

TEST_F(FontDelete, RetrySendsTheDeleteAgain) {
    addFault(cmdDeleteFont, 1, sim::FaultAction::retry);
    fonts.deleteFont(2);
    ASSERT_TRUE(
        runUntil([this] { return fonts.fontDeleteStatus() == "Font deleted from slot 2."; }));
    const auto sent = commandsWithCode(cmdDeleteFont);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].payload, Bytes{2});
}

TEST_F(FontDelete, LostConnectionClearsTheDelete) {
    addFault(cmdDeleteFont, 1, sim::FaultAction::hangUpBefore);
    fonts.deleteFont(2);
    ASSERT_TRUE(runUntil([this] { return !link.isConnected(); }));
    EXPECT_FALSE(fonts.isDeletingFont());
    EXPECT_EQ(fonts.fontDeleteStatus(), "");
    EXPECT_FALSE(fonts.fontDeleteError());
    advance(Milliseconds(3000));
    EXPECT_FALSE(fonts.fontDeleteError());
}

} // namespace
} // namespace norix::testing
