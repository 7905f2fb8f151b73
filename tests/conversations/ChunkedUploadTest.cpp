// The font and image uploads run on one machine: a retry, a refusal, a late
// answer and a lost link at each step, through both conversations against the
// simulated Norix, with the texts each conversation gives.

#include "core/link/ProtocolCodes.h"
#include "tests/conversations/SampleData.h"
#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

class Uploads : public ConversationFixture {};

// 100 bytes of glyph columns (chunks of 48, 48, 4) and 120 of image records (48, 48, 24).
const auto fontColumns = sampleColumns(100);
const Bytes imageRecords = distinctPixels(40);

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// What differs between the two conversations, for the table below.
struct UploadKind {
    const char* name;
    std::uint8_t metaBegin; // the six upload codes follow one another from here
    void (*start)(NorixConnection&);
    const ChunkedUpload& (*upload)(NorixConnection&);
    const char* disconnected;
    bool failureIsStatus;
    // A time-out may leave half a font behind: the font list is read again.
    std::size_t fontListRereads;
    // Each command as code:payload size, and each status in turn (the last on completion).
    const char* wire;
    std::vector<std::string> statuses;
    // The metadata and data the chunks carry, and the name listed once the list is read again.
    Bytes (*chunked)();
    std::optional<std::string> (*listed)(NorixConnection&);
    friend void PrintTo(const UploadKind* kind, std::ostream* out) { *out << kind->name; }
};

const UploadKind fontKind{
    "Font",
    cmdFontMetaBegin,
    [](NorixConnection& d) { d.fonts().uploadFont("Sample", 5, 7, fontColumns, 3); },
    [](NorixConnection& d) -> const ChunkedUpload& { return d.fonts().fontUpload(); },
    "Font upload stopped because Norix disconnected.",
    true,
    6,
    "C0:3 C1:48 C1:48 C1:32 C2:0 C3:2 C4:48 C4:48 C4:4 C5:0",
    {"Starting font upload\u2026", "Preparing slot 3\u2026", "Uploading font metadata\u2026",
     "Saving font metadata\u2026", "Preparing font data\u2026",
     "Uploading font data 48 of 100\u2026", "Uploading font data 96 of 100\u2026",
     "Uploading font data 100 of 100\u2026", "Saving font to slot 3\u2026",
     "Font uploaded to slot 3."},
    [] {
        return *makeFontMetadata("Sample", 5, 7, 20, 100) +
               Bytes(fontColumns.begin(), fontColumns.end());
    },
    [](NorixConnection& d) { return d.fonts().norixFontSlots()[3].name; }};

const UploadKind imageKind{
    "Image",
    cmdImageMetaBegin,
    [](NorixConnection& d) { d.images().uploadNorixImage("Sample", 8, 5, imageRecords); },
    [](NorixConnection& d) -> const ChunkedUpload& { return d.images().imageUpload(); },
    "Image upload stopped because Norix disconnected.",
    false,
    0,
    "A0:2 A1:48 A1:48 A1:32 A2:0 A3:2 A4:48 A4:48 A4:24 A5:0",
    {"Starting image upload\u2026", "Preparing the next image slot\u2026",
     "Uploading image metadata\u2026", "Saving image metadata\u2026", "Preparing image data\u2026",
     "Uploading image data 48 of 120\u2026", "Uploading image data 96 of 120\u2026",
     "Uploading image data 120 of 120\u2026", "Saving image to Norix\u2026",
     "Image uploaded to Norix."},
    [] { return *makeImageMetadata("Sample", 8, 5, 120) + imageRecords; },
    // The Norix chose the slot: the list shows which.
    [](NorixConnection& d) { return d.images().norixImageSlots()[0].name; }};

using enum sim::FaultAction;

struct StepFault {
    const UploadKind* kind;
    std::uint8_t code;
    unsigned occurrence;
    sim::FaultAction action;
    std::string message; // the error; for a lost link, the status
    friend void PrintTo(const StepFault& c, std::ostream* out) {
        static const char* const steps[] = {"MetaBegin", "MetaChunk", "MetaSave",
                                            "DataBegin", "DataChunk", "DataSave"};
        static const char* const actions[] = {"Silence", "Retry",  "Failure",
                                              "BadSize", "BadCrc", "LateAnswer"};
        *out << c.kind->name << "_" << steps[c.code - c.kind->metaBegin] << "_" << c.occurrence
             << "_" << (c.action == hangUpBefore ? "HangUp" : actions[static_cast<int>(c.action)]);
    }
};

std::string silence(const char* operation) {
    return std::string("Norix did not respond while ") + operation + ".";
}

const StepFault stepFaults[] = {
    {&fontKind, cmdFontMetaBegin, 1, delay, silence("starting the font metadata upload")},
    {&fontKind, cmdFontMetaChunk, 2, delay, silence("uploading font metadata")},
    {&fontKind, cmdFontMetaSave, 1, delay, silence("saving font metadata")},
    {&fontKind, cmdFontDataBegin, 1, delay, silence("starting the font-data upload")},
    {&fontKind, cmdFontDataChunk, 3, delay, silence("uploading font data")},
    {&fontKind, cmdFontDataSave, 1, delay, silence("saving the font")},
    {&fontKind, cmdFontMetaChunk, 3, badSize, "Norix rejected the upload size."},
    {&fontKind, cmdFontDataSave, 1, fail, "Norix reported that the font upload failed."},
    {&fontKind, cmdFontDataChunk, 2, retry, ""},
    {&fontKind, cmdFontDataBegin, 1, hangUpBefore, fontKind.disconnected},
    {&imageKind, cmdImageMetaBegin, 1, delay, silence("starting the image metadata upload")},
    {&imageKind, cmdImageMetaChunk, 3, delay, silence("uploading image metadata")},
    {&imageKind, cmdImageMetaSave, 1, delay, silence("saving image metadata")},
    {&imageKind, cmdImageDataBegin, 1, delay, silence("starting the image-data upload")},
    {&imageKind, cmdImageDataChunk, 2, delay, silence("uploading image data")},
    {&imageKind, cmdImageDataSave, 1, delay, silence("saving the image")},
    {&imageKind, cmdImageDataChunk, 1, badSize, "Norix rejected the image upload size."},
    {&imageKind, cmdImageMetaSave, 1, fail, "Norix reported that the image upload failed."},
    {&imageKind, cmdImageMetaSave, 1, retry, ""},
    {&imageKind, cmdImageMetaChunk, 2, hangUpBefore, imageKind.disconnected},
};

class UploadStepFault : public Uploads, public ::testing::WithParamInterface<StepFault> {
protected:
    const ChunkedUpload& upload() { return GetParam().kind->upload(device); }
};

TEST_P(UploadStepFault, EndsWithItsMessageOrCompletesAfterARetry) {
    const StepFault& c = GetParam();
    addFault(c.code, c.occurrence, c.action, 3500); // a late answer comes after 3.5 s
    connect();
    c.kind->start(device);
    ASSERT_TRUE(runUntil([this] { return sim.simulator().faults().firedCount() == 1; }));
    settle();
    switch (c.action) {
    case retry: {
        ASSERT_TRUE(runUntil([this] { return !upload().isUploading(); }));
        const auto sent = commandsWithCode(c.code);
        ASSERT_GT(sent.size(), c.occurrence);
        EXPECT_EQ(sent[c.occurrence].payload, sent[c.occurrence - 1].payload);
        EXPECT_NE(sent[c.occurrence].sequence, sent[c.occurrence - 1].sequence);
        EXPECT_EQ(upload().status(), c.kind->statuses.back());
        return;
    }
    case hangUpBefore:
        ASSERT_TRUE(runUntil([this] { return !link.isConnected(); }));
        EXPECT_FALSE(upload().isUploading());
        EXPECT_EQ(upload().step(), ChunkedUploadStep::idle);
        EXPECT_EQ(upload().status(), c.message);
        EXPECT_FALSE(upload().error());
        EXPECT_EQ(upload().doneBytes(), 0u);
        EXPECT_EQ(upload().totalBytes(), 0u);
        return;
    case delay: {
        const std::size_t sentBefore = commands.size();
        advance(Milliseconds(2999));
        EXPECT_TRUE(upload().isUploading());
        EXPECT_EQ(commands.size(), sentBefore);
        advance(Milliseconds(1));
        EXPECT_TRUE(runUntil(
            [&] { return commandsWithCode(cmdSendFontMeta).size() == c.kind->fontListRereads; }));
        EXPECT_EQ(commands.size(), sentBefore + c.kind->fontListRereads);
        advance(Milliseconds(600)); // the late answer finds no one waiting for it
        ASSERT_EQ(unclaimed.size(), 1u);
        EXPECT_EQ(unclaimed[0].sequence, commandsWithCode(c.code).back().sequence);
        break;
    }
    default:
        break;
    }
    EXPECT_FALSE(upload().isUploading());
    EXPECT_EQ(upload().step(), ChunkedUploadStep::idle);
    EXPECT_EQ(upload().error(), c.message);
    EXPECT_EQ(upload().status(), c.kind->failureIsStatus ? c.message : "");
    EXPECT_EQ(link.lastError(), c.message);
    EXPECT_EQ(commandsWithCode(c.code).size(), c.occurrence);
}

INSTANTIATE_TEST_SUITE_P(Table, UploadStepFault, ::testing::ValuesIn(stepFaults),
                         testing::PrintedName());

class UploadOf : public Uploads, public ::testing::WithParamInterface<const UploadKind*> {};

TEST_P(UploadOf, SendsBothPhasesInChunksOf48AndSaysWhereItIs) {
    const UploadKind& kind = *GetParam();
    connect();
    std::vector<std::string> statuses;
    const auto record = [&] {
        if (statuses.empty() || statuses.back() != kind.upload(device).status())
            statuses.push_back(kind.upload(device).status());
    };
    Connection fontWatch = fonts.changed.connect(record);
    Connection imageWatch = images.changed.connect(record);
    kind.start(device);
    ASSERT_TRUE(runUntil([&] { return !kind.upload(device).isUploading(); }));
    settle();
    std::string wire;
    Bytes chunked;
    for (const SerialPacket& command : commands) {
        if (command.code < kind.metaBegin || command.code > kind.metaBegin + 5)
            continue;
        char text[16];
        std::snprintf(text, sizeof text, "%s%02X:%zu", wire.empty() ? "" : " ", command.code,
                      command.payload.size());
        wire += text;
        if (command.code == kind.metaBegin + 1 || command.code == kind.metaBegin + 4)
            chunked.insert(chunked.end(), command.payload.begin(), command.payload.end());
    }
    EXPECT_EQ(wire, kind.wire);
    EXPECT_EQ(chunked, kind.chunked());
    EXPECT_EQ(statuses, kind.statuses);
    ASSERT_TRUE(
        runUntil([this] { return !fonts.isLoadingFontList() && !images.isLoadingImageList(); }));
    EXPECT_EQ(kind.listed(device), "Sample");
}

INSTANTIATE_TEST_SUITE_P(Both, UploadOf, ::testing::Values(&fontKind, &imageKind),
                         [](const auto& param) { return std::string(param.param->name); });

} // namespace
} // namespace norix::testing
