// The link's font, image and settings conversations given any mix of user
// actions and device answers: wrong codes, short or oversized payloads,
// answers for sequences long gone, time-outs and lost links. Nothing may
// crash, and after a disconnect nothing may stay busy.
// The input is read as records: an action byte, then its arguments.

#include "core/device/NorixConnection.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/images/ImageSlotConversation.h"
#include "core/link/FrameCodec.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/settings/SettingsConversation.h"
#include "core/util/DiagnosticLog.h"

#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace norix;

namespace {

// One link on a pseudo-terminal for the whole run; the far end records the
// sequence numbers of what is written, and the answers are made up by the input.
struct Harness {
    Harness() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            std::abort();
        ::close(slave);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = name;
    }
    void drain() {
        std::uint8_t buffer[4096];
        ssize_t count = 0;
        while ((count = ::read(master, buffer, sizeof buffer)) > 0)
            sent.processReceivedBytes(std::span(buffer, static_cast<std::size_t>(count)));
    }
    void remember(std::uint8_t sequence) {
        recent.push_back(sequence);
        if (recent.size() > 16)
            recent.pop_front();
    }

    ScopedDiagnosticSink quiet{[](std::string_view) {}};
    int master = -1;
    std::string path;
    ManualEventLoop loop;
    NorixConnection norix{loop, "/nonexistent-norix-fuzz"};
    std::deque<std::uint8_t> recent;
    FrameDecoder sent{[this](const SerialPacket& packet) { remember(packet.sequence); },
                      [](const std::string&) {}};
};

constexpr std::uint8_t answerCodes[] = {
    respAck,       respRetry,    respDone,       respFail,      respBadSize,   respFontMeta,
    respFontEmpty, respSettings, respImageCount, respImageName, respImageMeta, respImageData};

void requireNothingBusy(NorixConnection& norix) {
    if (norix.fonts().isUploadingFont() || norix.fonts().isDeletingFont() ||
        norix.fonts().isLoadingFontList() || norix.images().isLoadingImageList() ||
        norix.images().isLoadingNorixImage() || norix.images().isUploadingNorixImage() ||
        norix.settings().isUpdatingSettings())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    auto& norix = harness.norix;
    auto& link = norix.link();
    if (!link.isConnected() && !link.connect(harness.path))
        return 0;
    std::size_t at = 0;
    const auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    while (at < size) {
        const std::uint8_t action = next();
        const std::uint8_t argument = next();
        switch (action % 10) {
        case 0: {
            std::vector<std::uint64_t> columns(static_cast<std::size_t>(argument % 40) * 8, 0x81);
            norix.fonts().uploadFont("F", 8, 8, columns, argument % 7);
            break;
        }
        case 1:
            norix.fonts().deleteFont(argument % 7);
            break;
        case 2:
            norix.images().loadNorixImage(argument);
            break;
        case 3:
            norix.images().uploadNorixImage("I", 1 + argument % 4, 1,
                                            Bytes(static_cast<std::size_t>(argument % 5) * 3, 1));
            break;
        case 4:
            norix.settings().setDefaultFont(argument % 7);
            norix.settings().setLogoSpeed(argument % 4);
            break;
        case 5:
            norix.images().requestImageList();
            norix.settings().requestSettings();
            norix.fonts().requestFontList();
            break;
        case 6: {
            // An answer: a code, one of the recent sequences, and a payload from the input.
            SerialPacket packet;
            packet.code = answerCodes[argument % std::size(answerCodes)];
            harness.drain();
            packet.sequence =
                harness.recent.empty() ? next() : harness.recent[next() % harness.recent.size()];
            const std::size_t wanted = next();
            const std::size_t length = std::min(wanted, size - at);
            packet.payload.assign(data + at, data + at + length);
            at += length;
            link.processReceivedBytes(encodeFrame(packet));
            break;
        }
        case 7:
            harness.loop.advance(Milliseconds(argument * 20));
            break;
        case 8:
            link.disconnect();
            requireNothingBusy(norix);
            link.connect(harness.path);
            break;
        default:
            norix.images().clearCachedNorixImages();
            norix.fonts().clearCachedNorixFonts();
            break;
        }
        harness.drain();
    }
    link.disconnect();
    requireNothingBusy(norix);
    harness.drain();
    return 0;
}
