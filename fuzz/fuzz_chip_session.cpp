// ChipSession given any mix of user actions and device answers: wrong codes,
// short or oversized payloads, answers for requests nobody made, lost links.
// It must never crash, and after a disconnect nothing may stay outstanding.
// The input is read as records: an action byte, then its arguments.

#include "core/chips/ChipSession.h"
#include "core/link/FrameCodec.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/DiagnosticLog.h"

#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace norix;

namespace {

// One link on a pseudo-terminal for the whole run; the far end only swallows
// what is written, and the answers are made up by the input.
struct Harness {
    Harness() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            std::abort();
        ::close(slave);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        session.configureSerialPacketHandling();
        if (!link.connect(name))
            std::abort();
        session.editor().setChipName("FUZZ");
        session.editor().setChipCode("ENDTEST\nENDTEST\nENDTEST\nENDTEST\nENDTEST\n");
        session.editor().setChipStrings({"a", "b"});
    }
    void drain() {
        std::uint8_t buffer[4096];
        while (::read(master, buffer, sizeof buffer) > 0) {
        }
    }

    ScopedDiagnosticSink quiet{[](std::string_view) {}};
    int master = -1;
    ManualEventLoop loop;
    SerialPortManager link{loop, "/nonexistent-norix-fuzz"};
    ChipSession session{link};
};

// Every sequence number the session is waiting for, so answers can hit them.
std::vector<std::uint8_t> pendingSequences(const ChipSession& session) {
    std::vector<std::uint8_t> pending;
    for (const auto& sequence :
         {session.pendingSerialSequence(), session.pendingUploadModeSequence(),
          session.upload().uploadExpectedSequence(), session.batch().batchFinishSequence(),
          session.norixChipList().pendingChipCountSequence(),
          session.norixChipList().pendingChipNameSequence(),
          session.norixChipList().pendingDeleteChipSequence(),
          session.norixChipList().pendingDeleteAllChipsSequence(),
          session.norixChipLoad().pendingLoadMetadataSequence(),
          session.norixChipLoad().pendingLoadCodeSequence(),
          session.norixChipLoad().pendingLoadStringSequence()})
        if (sequence)
            pending.push_back(*sequence);
    return pending;
}

void requireNothingOutstanding(const ChipSession& session) {
    if (!pendingSequences(session).empty() || session.isUploading() || session.isBatchSaving() ||
        session.norixChipLoad().isLoadingNorixChip() || session.pendingUploadModeAction())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    ChipSession& session = harness.session;
    session.handleDisconnect();
    requireNothingOutstanding(session);
    session.terminal().clear();

    std::size_t offset = 0;
    const auto next = [&]() -> std::uint8_t { return offset < size ? data[offset++] : 0; };
    while (offset < size) {
        switch (next() % 12) {
        case 0:
            session.requestChipList();
            break;
        case 1:
            session.setSelectedNorixChipIndex(next());
            session.loadSelectedNorixChip();
            break;
        case 2:
            session.setSelectedNorixChipIndex(next() % 4);
            session.deleteSelectedChipFromNorix();
            break;
        case 3:
            session.requestDeleteAllChips();
            session.confirmDeleteAllChips();
            break;
        case 4:
            session.sendToNorixPressed();
            break;
        case 5:
            session.saveToNorixPressed();
            break;
        case 6:
            session.requestNorixSerialNumber();
            break;
        case 7:
            session.sendChipToNorix();
            break;
        case 8:
            harness.loop.advance(Milliseconds(300));
            break;
        case 9:
            session.handleDisconnect();
            requireNothingOutstanding(session);
            break;
        default: {
            // An answer: code, which sequence (a pending one or any), payload.
            SerialPacket packet;
            packet.code = next();
            const std::uint8_t choice = next();
            const auto pending = pendingSequences(session);
            packet.sequence =
                (choice & 0x80) || pending.empty() ? choice : pending[choice % pending.size()];
            const std::size_t length = next();
            for (std::size_t i = 0; i < length && offset < size; ++i)
                packet.payload.push_back(next());
            harness.link.processReceivedBytes(encodeFrame(packet));
            break;
        }
        }
        harness.drain();
        if (session.terminal().terminalLines().size() > Terminal::maximumLines)
            std::abort();
    }
    return 0;
}
