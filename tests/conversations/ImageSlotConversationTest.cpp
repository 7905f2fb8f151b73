// The image name list, download and upload against the simulated Norix: wire
// bytes, chunking, every status and error text, bad answers, time-outs and a
// connection lost in the middle.

#include "core/images/ImageRLE.h"
#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/conversations/SampleData.h"
#include "tests/support/SimulatedNorix.h"

#include <gmock/gmock.h>
#include <tuple>

namespace norix::testing {
namespace {

class ImageSlots : public ConversationFixture {
protected:
    std::uint8_t countRequest() const {
        return std::find_if(connectCommands.begin(), connectCommands.end(),
                            [](const SerialPacket& p) { return p.code == cmdSendImageCount; })
            ->sequence;
    }
    sim::NorixMemory& memory() { return sim.simulator().memory(); }
    // A 3×2 image of 18 bytes in slot 1, and connected.
    void connectWithSix() {
        memory().setImage(1, sim::makeStoredImage("Six", 3, 2, distinctPixels(6)));
        connect();
    }
    void loadToTheEnd(std::int64_t slot) {
        images.loadNorixImage(slot);
        ASSERT_TRUE(runUntil([this] { return !images.isLoadingNorixImage(); }));
        settle();
    }
};

TEST_F(ImageSlots, ListAsksForEveryNameBelowTheCount) {
    memory().setImage(1, sim::makeStoredImage("Logo", 2, 2, {4, 0xF8, 0}));
    memory().setImage(3, sim::makeStoredImage("Chip", 1, 1, {1, 0, 0x1F}));
    std::vector<std::string> statuses;
    Connection watch = images.changed.connect([&] {
        if (statuses.empty() || statuses.back() != images.imageListStatus())
            statuses.push_back(images.imageListStatus());
    });
    ASSERT_TRUE(link.connect(sim.slavePath()));
    ASSERT_TRUE(runUntil([this] { return !images.isLoadingImageList(); }));
    const auto names = commandsWithCode(cmdSendImageNames);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].payload, (Bytes{1, 0}));
    EXPECT_EQ(names[2].payload, (Bytes{3, 0}));
    EXPECT_EQ(images.norixImageSlots()[0].displayName(), "Logo");
    EXPECT_EQ(images.norixImageSlots()[1].displayName(), "[EMPTY]"); // answered with a failure
    EXPECT_EQ(images.norixImageSlots()[2].displayName(), "Chip");
    EXPECT_FALSE(images.imageListError());
    EXPECT_THAT(statuses,
                ::testing::ElementsAre("", "Loading Norix images\u2026",
                                       "Loading image 1 of 3\u2026", "Loading image 2 of 3\u2026",
                                       "Loading image 3 of 3\u2026", "Norix image list loaded."));
}

TEST_F(ImageSlots, TheCountBoundsTheNameRequests) {
    addFault(cmdSendImageCount, std::nullopt, sim::FaultAction::drop);
    // A count, the name requests it leads to, and the status the list ends with.
    const std::tuple<Bytes, std::size_t, const char*> cases[] = {
        {{1, 0}, 0, "Norix image list loaded."},
        {{0xE8, 0x03}, 255, "Norix image list loaded."},
        {{3}, 0, ""},
    };
    for (const auto& [count, requests, status] : cases) {
        connect();
        // The Norix's own answer was lost; this one stands in for it.
        inject({respImageCount, countRequest(), count});
        ASSERT_TRUE(runUntil([this] { return !images.isLoadingImageList(); }));
        EXPECT_EQ(commandsWithCode(cmdSendImageNames).size(), requests) << status;
        EXPECT_EQ(images.imageListStatus(), status);
    }
    EXPECT_EQ(images.imageListError(), "Norix returned an invalid image count.");

    // An unanswered list stays busy (there is no time-out) until the link goes down.
    images.requestImageList();
    advance(Milliseconds(10000));
    EXPECT_TRUE(images.isLoadingImageList());
    link.disconnect();
    EXPECT_FALSE(images.isLoadingImageList());
    EXPECT_EQ(images.imageListStatus(), "");
}

TEST_F(ImageSlots, DownloadReadsMetadataThenEveryPieceAndStartsOverOnARetry) {
    const Bytes rle = distinctPixels(100); // 300 bytes: pieces of 64
    memory().setImage(2, sim::makeStoredImage("Stripes", 10, 10, rle));
    addFault(cmdSendImageData, 2, sim::FaultAction::retry);
    connect();
    loadToTheEnd(2);
    const LoadedNorixImage expected{2, "Stripes", 10, 10, rle, *decompressImageRLE(rle, 100)};
    EXPECT_EQ(images.loadedNorixImage(), expected);
    EXPECT_EQ(images.imageLoadStatus(), "Loaded image from slot 2.");
    EXPECT_FALSE(images.imageLoadError());
    const auto metadata = commandsWithCode(cmdSendImageMeta);
    ASSERT_EQ(metadata.size(), 2u);
    EXPECT_EQ(metadata[1].payload, (Bytes{2, 0}));
    // Two requests before the retry, then all five again.
    const auto requests = commandsWithCode(cmdSendImageData);
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[3].payload, (Bytes{2, 0, 64, 0}));
    EXPECT_EQ(requests[6].payload, (Bytes{2, 0, 0, 1}));
}

TEST_F(ImageSlots, DownloadRefusals) {
    images.loadNorixImage(1);
    EXPECT_EQ(images.imageLoadError(), "Norix is not connected.");
    connectWithSix();
    for (auto [slot, message] : {std::pair{0, "The selected image slot is invalid."},
                                 std::pair{256, "The selected image slot is invalid."},
                                 std::pair{5, "The selected image slot is empty."}}) {
        images.loadNorixImage(slot);
        EXPECT_EQ(images.imageLoadError(), message);
    }
    images.loadNorixImage(1);
    images.loadNorixImage(1);
    EXPECT_EQ(images.imageLoadError(), "An image is already being loaded.");
    ASSERT_TRUE(runUntil([this] { return !images.isLoadingNorixImage(); }));
    EXPECT_EQ(commandsWithCode(cmdSendImageMeta).size(), 1u);
}

// Stored images the Norix describes wrongly, and what the download says.
struct BadStoredImage {
    const char* name;
    std::uint8_t width, height;
    Bytes rle;
    const char* message;
    friend void PrintTo(const BadStoredImage& c, std::ostream* out) { *out << c.name; }
};

class DownloadOfBadImage : public ImageSlots,
                           public ::testing::WithParamInterface<BadStoredImage> {};

TEST_P(DownloadOfBadImage, FailsWithItsMessage) {
    const auto& p = GetParam();
    memory().setImage(1, sim::makeStoredImage("Bad", p.width, p.height, p.rle));
    connect();
    loadToTheEnd(1);
    EXPECT_EQ(images.imageLoadError(), p.message);
    EXPECT_EQ(images.imageLoadStatus(), "");
    EXPECT_FALSE(images.loadedNorixImage());
    EXPECT_EQ(images.imageLoadStep(), ImageLoadStep::idle);
}

const char* const badDimensions = "Norix returned invalid image dimensions.";
const char* const badRle = "The downloaded image contains invalid RLE data.";

const BadStoredImage badStoredImages[] = {
    {"Width161", 161, 1, {161, 0, 0}, badDimensions},
    {"Height129", 1, 129, {129, 0, 0}, badDimensions},
    {"Width0", 0, 1, {1, 0, 0}, badDimensions},
    {"NoData", 1, 1, {}, "Norix returned an invalid compressed image size."},
    {"OnePixelTooMany", 2, 2, {5, 0, 0}, badRle},
    {"OnePixelShort", 2, 2, {3, 0, 0}, badRle},
    {"RunOfZero", 2, 2, {0, 0, 0, 4, 0, 0}, badRle},
    {"HalfARecord", 1, 1, {1, 0}, badRle},
    // The largest size the download takes, though not whole records.
    {"Size4096", 160, 128, Bytes(4096, 1), badRle},
};

INSTANTIATE_TEST_SUITE_P(Table, DownloadOfBadImage, ::testing::ValuesIn(badStoredImages),
                         testing::PrintedName());

// Answers to a request whose own answer the Norix dropped, and what the
// download says about them.
struct BadAnswer {
    std::uint8_t request, answer;
    Bytes payload;
    const char* message;
    friend void PrintTo(const BadAnswer& c, std::ostream* out) { *out << c.message; }
};

class DownloadOfBadAnswer : public ImageSlots, public ::testing::WithParamInterface<BadAnswer> {};

TEST_P(DownloadOfBadAnswer, FailsWithItsMessage) {
    const auto& p = GetParam();
    addFault(p.request, 1, sim::FaultAction::drop);
    connectWithSix();
    images.loadNorixImage(1);
    ASSERT_TRUE(runUntil([this] { return sim.simulator().faults().firedCount() == 1; }));
    inject({p.answer, commandsWithCode(p.request)[0].sequence, p.payload});
    EXPECT_FALSE(images.isLoadingNorixImage());
    EXPECT_EQ(images.imageLoadError(), p.message);
    EXPECT_EQ(images.imageLoadStatus(), "");
    advance(Milliseconds(3000)); // the disarmed time-out stays quiet
    EXPECT_EQ(images.imageLoadError(), p.message);
}

using enum sim::FaultAction;

const BadAnswer badAnswers[] = {
    {cmdSendImageMeta, respBadSize, {}, "Norix rejected the image-load packet size."},
    {cmdSendImageData, respFail, {}, "Norix could not load the selected image."},
    {cmdSendImageMeta, respImageMeta, Bytes(37, 0), "Norix returned invalid image metadata."},
    {cmdSendImageData, respImageData, {0, 0}, "Norix returned an invalid image-data packet."},
    {cmdSendImageData,
     respImageData,
     {4, 0, 9},
     "Norix returned offset 4, but the GUI requested 0."},
    {cmdSendImageData, respImageData, Bytes(21, 0),
     "Norix returned more image data than expected."},
};

INSTANTIATE_TEST_SUITE_P(Table, DownloadOfBadAnswer, ::testing::ValuesIn(badAnswers),
                         testing::PrintedName());

TEST_F(ImageSlots, SilenceEndsTheDownloadAfterThreeSecondsAndALateAnswerIsLeftForOthers) {
    addFault(cmdSendImageMeta, 1, delay, 3500);
    addFault(cmdSendImageData, 1, drop);
    connectWithSix();
    images.loadNorixImage(1);
    settle();
    advance(Milliseconds(3000));
    EXPECT_EQ(images.imageLoadError(), "Norix did not return the image metadata.");
    advance(Milliseconds(600));
    ASSERT_EQ(unclaimed.size(), 1u);
    EXPECT_EQ(unclaimed[0].code, respImageMeta);

    images.loadNorixImage(1);
    settle();
    advance(Milliseconds(2999));
    EXPECT_TRUE(images.isLoadingNorixImage());
    advance(Milliseconds(1));
    EXPECT_EQ(images.imageLoadError(), "Norix did not return the next image-data chunk.");
}

TEST_F(ImageSlots, DisconnectDropsTheLoadedImageAndTheDownload) {
    connectWithSix();
    loadToTheEnd(1);
    ASSERT_TRUE(images.loadedNorixImage());
    link.disconnect();
    EXPECT_FALSE(images.loadedNorixImage());
    EXPECT_EQ(images.norixImageSlots(), NorixImageSlot::emptySlots());

    connect();
    addFault(cmdSendImageData, std::nullopt, hangUpBefore);
    images.loadNorixImage(1);
    ASSERT_TRUE(runUntil([this] { return !link.isConnected(); }));
    EXPECT_FALSE(images.isLoadingNorixImage());
    EXPECT_FALSE(images.imageLoadError());
    EXPECT_EQ(images.imageLoadStatus(), "");
}

// ---- Upload ----

TEST_F(ImageSlots, UploadRefusals) {
    images.uploadNorixImage("x", 1, 1, {1, 0, 0});
    EXPECT_EQ(images.imageUploadError(), "Norix is not connected.");
    connect();
    const std::tuple<std::int64_t, std::int64_t, Bytes, const char*> cases[] = {
        {0, 1, {1, 0, 0}, "The image dimensions are invalid."},
        {161, 1, {1, 0, 0}, "The image dimensions are invalid."},
        {1, 129, {1, 0, 0}, "The image dimensions are invalid."},
        {1, 1, {}, "The compressed image data is invalid."},
        {1, 1, {1, 0, 0, 1}, "The compressed image data is invalid."},
        {160, 128, Bytes(4098, 1), "The compressed image data is invalid."},
    };
    for (const auto& [width, height, rle, message] : cases) {
        images.uploadNorixImage("x", width, height, rle);
        EXPECT_EQ(images.imageUploadError(), message);
    }
    EXPECT_TRUE(commands.empty());
    images.uploadNorixImage("x", 1, 1, {1, 0, 0});
    images.uploadNorixImage("x", 1, 1, {1, 0, 0});
    EXPECT_EQ(images.imageUploadError(), "An image upload is already in progress.");
}

} // namespace
} // namespace norix::testing
