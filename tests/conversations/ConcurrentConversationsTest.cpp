// A font upload, an image upload and an image download at the same time, with
// answers delayed, refused or written in pieces: each conversation gets only its own. And what
// the three conversations ask for when the link opens again after a failure.

#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/conversations/SampleData.h"
#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

class Concurrent : public ConversationFixture,
                   public ::testing::WithParamInterface<std::optional<sim::FaultRule>> {};

TEST_P(Concurrent, EachConversationReceivesOnlyItsOwnAnswers) {
    const Bytes stored = distinctPixels(200);
    sim.simulator().memory().setImage(1, sim::makeStoredImage("Stored", 20, 10, stored));
    sim.simulator().config().imagePieceSize = 40;
    if (GetParam())
        sim.simulator().faults().add(*GetParam());
    connect();

    const Bytes uploaded = distinctPixels(300, 9000);
    fonts.uploadFont("Eight", 8, 8, sampleColumns(8 * 95), 5);
    images.uploadNorixImage("Fresh", 30, 10, uploaded);
    images.loadNorixImage(1);
    const auto done = [this] {
        return !fonts.isUploadingFont() && !images.isUploadingNorixImage() &&
               !images.isLoadingNorixImage();
    };
    // Delayed answers are due on the virtual clock: move it on in small steps,
    // always well inside the 3 s time-out.
    for (int step = 0; step < 200 && !done(); ++step) {
        loop.runUntil(done, Milliseconds(50));
        loop.advance(Milliseconds(50));
    }
    ASSERT_TRUE(done());
    settle();

    EXPECT_EQ(fonts.fontUploadStatus(), "Font uploaded to slot 5.");
    EXPECT_EQ(images.imageUploadStatus(), "Image uploaded to Norix.");
    EXPECT_EQ(images.imageLoadStatus(), "Loaded image from slot 1.");
    ASSERT_TRUE(images.loadedNorixImage());
    EXPECT_EQ(images.loadedNorixImage()->compressedData, stored);
    EXPECT_EQ(sim.simulator().memory().font(5)->data.size(), 760u);
    EXPECT_EQ(sim.simulator().memory().image(2)->data, uploaded);
    ASSERT_TRUE(
        runUntil([this] { return !images.isLoadingImageList() && !fonts.isLoadingFontList(); }));
    EXPECT_EQ(images.norixImageSlots()[1].displayName(), "Fresh");
    EXPECT_EQ(fonts.norixFontSlots()[5], NorixFontSlot(5, "Eight", 8, 8, 95));
    EXPECT_TRUE(unclaimed.empty());
    EXPECT_FALSE(link.lastError());
}

std::string faultName(const ::testing::TestParamInfo<std::optional<sim::FaultRule>>& fault) {
    const char* names[] = {"NoFault", "SlowImageChunks", "FontChunkRetried", "AnswersInPieces"};
    return names[fault.index];
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Concurrent,
    ::testing::Values(std::nullopt,
                      sim::FaultRule{cmdImageDataChunk, std::nullopt, sim::FaultAction::delay, 40},
                      sim::FaultRule{cmdFontDataChunk, 2, sim::FaultAction::retry, 0},
                      // Every answer in pieces, while several are under way.
                      sim::FaultRule{std::nullopt, std::nullopt, sim::FaultAction::split, 7}),
    faultName);

TEST_F(ConversationFixture, AReconnectReadsTheFontSlotsOnceMore) {
    const TempFolder folder;
    const std::string path = (folder / "norix").string();
    sim.setLinkPath(path);
    sim.setReplugDelay(Milliseconds(500));
    ASSERT_TRUE(link.connect(path));
    settle();
    commands.clear();

    sim.simulator().hangUp();
    ASSERT_TRUE(runUntil([this] { return !link.isConnected(); }));
    EXPECT_EQ(fonts.norixFontSlots(), NorixFontSlot::emptySlots());
    advance(Milliseconds(1000));
    ASSERT_TRUE(link.isConnected());
    ASSERT_TRUE(runUntil([this] {
        return !fonts.isLoadingFontList() && !images.isLoadingImageList() &&
               !settings.isUpdatingSettings();
    }));
    EXPECT_EQ(commandsWithCode(cmdSendFontMeta).size(), 12u);
    EXPECT_EQ(commandsWithCode(cmdSendImageCount).size(), 1u);
    EXPECT_EQ(commandsWithCode(cmdSettings).size(), 1u);
}

} // namespace
} // namespace norix::testing
