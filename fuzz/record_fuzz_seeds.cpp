// Writes the starting inputs of the fuzz targets from real material: the
// example chip, font and image files, the compiled code of the sample chips,
// the simulator's memory file, and the frames of real conversations between
// the link and the simulated Norix (connecting, loading, uploading and
// deleting chips, font, image and settings conversations), recorded both as
// raw streams and in the record layouts of the conversation targets.
//
//   record_fuzz_seeds OUT_DIR [EXAMPLES_DIR]
//
// writes OUT_DIR/<target>/<name> for every target; fuzz/corpus is made this
// way, plus every input that ever failed.

#include "core/chips/ChipFileCodec.h"
#include "core/chips/ChipSession.h"
#include "core/device/NorixConnection.h"
#include "core/fonts/FontFile.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/images/ImageSlotConversation.h"
#include "core/images/NorixImageFile.h"
#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/loop/ManualEventLoop.h"
#include "core/settings/SettingsConversation.h"
#include "core/util/AtomicFile.h"
#include "core/util/DiagnosticLog.h"
#include "sim/BuiltInSimulator.h"
#include "sim/MemoryFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace norix;

namespace {

// The answer codes in the order fuzz_conversations picks them by index.
constexpr std::uint8_t conversationAnswerCodes[] = {
    respAck,       respRetry,    respDone,       respFail,      respBadSize,   respFontMeta,
    respFontEmpty, respSettings, respImageCount, respImageName, respImageMeta, respImageData};

// One conversation as each target reads it.
struct Recording {
    Bytes deviceStream;    // what the Norix sent, as it arrived
    Bytes hostStream;      // what the link sent, framed
    Bytes simCommands;     // fuzz_sim_device: code, length, payload
    Bytes sessionRecords;  // fuzz_chip_session: actions and answers
    Bytes linkRecords;     // fuzz_conversations: actions and answers
    bool chipSide = false; // whether the session or the link layout applies
};

void appendPayload(Bytes& out, const Bytes& payload) {
    const std::size_t length = std::min<std::size_t>(payload.size(), 255);
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
}

class Recorder {
public:
    explicit Recorder(const fs::path& examples) : examples_(examples) {
        simulator_.simulator().onExchange =
            [this](const SerialPacket& command, const std::optional<SerialPacket>& answer,
                   const std::optional<sim::FaultRule>&) { record(command, answer); };
        session_.configureSerialPacketHandling();
        auto installed = link_.onBytesReceived;
        link_.onBytesReceived = [this, installed](const Bytes& bytes) {
            current_.deviceStream.insert(current_.deviceStream.end(), bytes.begin(), bytes.end());
            if (installed)
                installed(bytes);
        };
    }

    bool start() {
        if (!simulator_.start(examples_)) {
            std::fprintf(stderr, "simulator: %s\n", simulator_.lastError().c_str());
            return false;
        }
        return true;
    }

    ChipSession& session() { return session_; }
    NorixConnection& norix() { return norix_; }
    sim::SimulatedNorix& simulator() { return simulator_.simulator(); }
    const std::string& port() const { return simulator_.portPath(); }

    // Runs `scenario` with a fresh recording; `actions` are its opening
    // records in the two conversation layouts.
    Recording run(bool chipSide, const Bytes& actions, const std::function<void()>& scenario) {
        current_ = Recording{};
        current_.chipSide = chipSide;
        (chipSide ? current_.sessionRecords : current_.linkRecords) = actions;
        scenario();
        settle();
        return current_;
    }

    // Serves both ends, moving the clock on so the delays of the connection
    // sequence fall due, until nothing moves any more.
    void settle() {
        std::size_t seen = 0;
        for (int quiet = 0; quiet < 3;) {
            loop_.runUntil([] { return false; }, Milliseconds(20));
            loop_.advance(Milliseconds(300));
            const std::size_t now = current_.deviceStream.size() + current_.hostStream.size();
            quiet = now == seen ? quiet + 1 : 0;
            seen = now;
        }
    }

private:
    void record(const SerialPacket& command, const std::optional<SerialPacket>& answer) {
        const Bytes frame = encodeFrame(command);
        current_.hostStream.insert(current_.hostStream.end(), frame.begin(), frame.end());
        current_.simCommands.push_back(command.code);
        appendPayload(current_.simCommands, command.payload);
        if (!answer)
            return;
        // An answer record aimed at the first pending request.
        current_.sessionRecords.insert(current_.sessionRecords.end(), {10, answer->code, 0});
        appendPayload(current_.sessionRecords, answer->payload);
        const auto* code = std::find(std::begin(conversationAnswerCodes),
                                     std::end(conversationAnswerCodes), answer->code);
        if (code != std::end(conversationAnswerCodes)) {
            const auto index =
                static_cast<std::uint8_t>(code - std::begin(conversationAnswerCodes));
            // Index 15 picks the latest of the sixteen remembered sequences.
            current_.linkRecords.insert(current_.linkRecords.end(), {6, index, 15});
            appendPayload(current_.linkRecords, answer->payload);
        }
    }

    fs::path examples_;
    ScopedDiagnosticSink quiet_{[](std::string_view) {}};
    ManualEventLoop loop_;
    NorixConnection norix_{loop_, "/nonexistent-norix-seeds"};
    SerialPortManager& link_ = norix_.link();
    ChipSession session_{link_};
    sim::BuiltInSimulator simulator_{loop_, link_};
    Recording current_;
};

bool writeSeed(const fs::path& folder, const std::string& name, std::string_view bytes) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    if (auto error = writeFileAtomically(folder / name, bytes)) {
        std::fprintf(stderr, "%s: %s\n", (folder / name).c_str(), error->message().c_str());
        return false;
    }
    return true;
}

bool writeSeed(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    return writeSeed(folder, name,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool writeRecording(const fs::path& out, const std::string& name, const Recording& recording) {
    bool ok = writeSeed(out / "fuzz_frame_decoder", name + "-device", recording.deviceStream) &&
              writeSeed(out / "fuzz_frame_decoder", name + "-host", recording.hostStream) &&
              writeSeed(out / "fuzz_sim_device", name, recording.simCommands);
    if (recording.chipSide)
        ok = ok && writeSeed(out / "fuzz_chip_session", name, recording.sessionRecords);
    else
        ok = ok && writeSeed(out / "fuzz_conversations", name, recording.linkRecords);
    return ok;
}

// Example files as they are, and the code of each example chip for the
// language targets (whose first byte is the pin count).
bool copyExamples(const fs::path& out, const fs::path& examples) {
    const std::pair<const char*, const char*> folders[] = {
        {"chips", "fuzz_chip_file"}, {"fonts", "fuzz_font_file"}, {"images", "fuzz_image_file"}};
    for (const auto& [from, target] : folders) {
        for (const auto& entry : fs::directory_iterator(examples / from)) {
            const auto bytes = readWholeFile(entry.path());
            if (!bytes || !writeSeed(out / target, entry.path().filename().string(), *bytes))
                return false;
            if (std::string(from) != "chips")
                continue;
            const auto chip = ChipFileCodec::decode(*bytes);
            if (!chip)
                continue;
            std::string input(1, static_cast<char>(chip->pinCount));
            input += chip->code;
            const std::string name = entry.path().stem().string();
            if (!writeSeed(out / "fuzz_compiler", name, input) ||
                !writeSeed(out / "fuzz_validator", name, input))
                return false;
        }
    }
    return true;
}

Bytes bytesOf(std::initializer_list<std::uint8_t> list) {
    return Bytes(list);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: record_fuzz_seeds OUT_DIR [EXAMPLES_DIR]\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path examples = argc == 3 ? fs::path(argv[2]) : sim::defaultExamplesDirectory();
    if (!copyExamples(out, examples))
        return 1;

    Recorder recorder(examples);
    if (!recorder.start())
        return 1;
    ChipSession& session = recorder.session();
    NorixConnection& norix = recorder.norix();

    const sim::MemorySnapshot samples = recorder.simulator().memory().snapshot();
    bool ok = writeSeed(out / "fuzz_sim_memory", "samples", sim::encodeMemoryFile(samples));
    for (std::size_t i = 0; i < samples.chips.size(); ++i)
        ok = ok &&
             writeSeed(out / "fuzz_decompiler", samples.chips[i].name(), samples.chips[i].code);

    // Chip conversations, in the session's record layout: 6 asks for the
    // serial number, 0 for the chip list, 1 loads, 4 sends, 5 stores, 2 deletes.
    ok = ok && writeRecording(out, "connect", recorder.run(true, bytesOf({6}), [&] {
             session.setSelectedPort(recorder.port());
             session.connectOrDisconnect();
         }));
    ok = ok && writeRecording(out, "chip-list",
                              recorder.run(true, bytesOf({0}), [&] { session.requestChipList(); }));
    ok = ok && writeRecording(out, "chip-load", recorder.run(true, bytesOf({1, 0}), [&] {
             session.setSelectedNorixChipIndex(0);
             session.loadSelectedNorixChip();
         }));
    ok = ok && writeRecording(out, "chip-upload", recorder.run(true, bytesOf({4}), [&] {
             if (const auto chip = ChipFileCodec::load(examples / "chips" / "7400.chip"))
                 session.editor().applyChipDocument(*chip);
             session.sendToNorixPressed();
             recorder.settle();
             session.saveToNorixPressed();
         }));
    ok = ok && writeRecording(out, "chip-delete", recorder.run(true, bytesOf({2, 0}), [&] {
             session.setSelectedNorixChipIndex(0);
             session.deleteSelectedChipFromNorix();
         }));

    // Link conversations, in fuzz_conversations' layout (action, argument).
    ok = ok && writeRecording(out, "lists", recorder.run(false, bytesOf({5, 0}), [&] {
             norix.images().requestImageList();
             norix.settings().requestSettings();
             norix.fonts().requestFontList();
         }));
    ok = ok && writeRecording(out, "font-upload", recorder.run(false, bytesOf({0, 8}), [&] {
             const auto text = readWholeFile(examples / "fonts" / "Norix5x7.txt");
             if (!text)
                 return;
             if (const auto font = FontFile::decode(*text))
                 norix.fonts().uploadFont(font->name, font->width(), font->height(), font->columns,
                                          2);
         }));
    ok = ok && writeRecording(out, "font-delete", recorder.run(false, bytesOf({1, 2}), [&] {
             norix.fonts().deleteFont(2);
         }));
    ok = ok && writeRecording(out, "image-download", recorder.run(false, bytesOf({2, 1}), [&] {
             norix.images().loadNorixImage(1);
         }));
    ok = ok && writeRecording(out, "image-upload", recorder.run(false, bytesOf({3, 3}), [&] {
             const auto text = readWholeFile(examples / "images" / "NorixLogo.txt");
             if (!text)
                 return;
             if (const auto image = NorixImageFile::decode(*text))
                 norix.images().uploadNorixImage(image->imageName, image->imageWidth,
                                                 image->imageHeight, image->compressedImageData);
         }));
    ok = ok && writeRecording(out, "settings", recorder.run(false, bytesOf({4, 1}), [&] {
             norix.settings().setLogoSpeed(1);
             recorder.settle();
             norix.settings().setDefaultFont(0);
         }));

    const sim::MemorySnapshot after = recorder.simulator().memory().snapshot();
    ok = ok &&
         writeSeed(out / "fuzz_sim_memory", "after-conversations", sim::encodeMemoryFile(after));
    for (const auto& chip : after.chips)
        ok = ok && writeSeed(out / "fuzz_decompiler", chip.name(), chip.code);
    return ok ? 0 : 1;
}
