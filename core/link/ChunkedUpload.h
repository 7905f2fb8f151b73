#pragma once
// The two-phase upload the Norix takes fonts and images by: a 128-byte
// metadata block, then the data, each phase opened by a begin packet, sent in
// 48-byte chunks and closed by a save, every packet released by the answer to
// the one before. Its owner supplies the command codes and the texts.

#include "core/link/ResponseTimeout.h"
#include "core/link/SerialPacket.h"
#include "core/loop/EventLoop.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace norix {

// The step whose answer an upload is waiting for, in wire order.
enum class ChunkedUploadStep {
    idle,
    waitingForMetaBegin,
    waitingForMetaChunk,
    waitingForMetaSave,
    waitingForDataBegin,
    waitingForDataChunk,
    waitingForDataSave,
};

// The piece of `buffer` from `offset`, at most `size` bytes; empty past the end.
Bytes chunkAt(const Bytes& buffer, std::size_t offset, std::size_t size = chunkedUploadChunkSize);

struct ChunkedUploadStepText {
    std::uint8_t code = 0;
    // Shown while the step waits. A data chunk's gets " {sent} of {total}…" appended.
    std::string status;
    // Completes "Norix did not respond while {operation}."
    std::string operation;
    // The step's packet could not be written.
    std::string sendFailure;
};

struct ChunkedUploadTexts {
    // Meta begin, meta chunk, meta save, data begin, data chunk, data save.
    std::array<ChunkedUploadStepText, 6> steps;
    std::string starting;
    std::string completed;
    std::string badSize;
    std::string failed;
    // The failure message also replaces the status; otherwise the status is cleared.
    bool failureIsStatus = false;
};

class ChunkedUpload {
public:
    // Writes one packet; the sequence used, or nothing when nothing was written.
    using Sender =
        std::function<std::optional<std::uint8_t>(std::uint8_t, std::span<const std::uint8_t>)>;
    struct Hooks {
        std::function<void()> changed;
        // After the upload has ended with the message (already the error).
        std::function<void(const std::string& message, bool timedOut)> failed;
        std::function<void()> completed;
    };

    ChunkedUpload(EventLoop& loop, Sender send, Hooks hooks);
    ChunkedUpload(const ChunkedUpload&) = delete;
    ChunkedUpload& operator=(const ChunkedUpload&) = delete;

    bool isUploading() const { return uploading_; }
    ChunkedUploadStep step() const { return step_; }
    const std::string& status() const { return status_; }
    const std::optional<std::string>& error() const { return error_; }
    // Metadata and data bytes accepted so far, and their total, for a progress bar.
    std::size_t doneBytes() const;
    std::size_t totalBytes() const;

    // `beginSuffix` follows the metadata size in the meta-begin packet.
    void start(ChunkedUploadTexts texts, Bytes beginSuffix, Bytes metadata, Bytes data);
    // An upload that cannot start: the message becomes the error, nothing is sent.
    void refuse(const std::string& message);
    // Consumes the answer to the outstanding packet.
    bool handlePacket(const SerialPacket& packet);
    // The link went away: the upload ends without an error, saying why. Does not notify.
    void abandon(const std::string& status);

private:
    void send(ChunkedUploadStep step);
    void advance();
    void fail(const std::string& message, bool timedOut);
    void clear();
    void notify() const;

    Sender send_;
    Hooks hooks_;
    ChunkedUploadTexts texts_;
    bool uploading_ = false;
    ChunkedUploadStep step_ = ChunkedUploadStep::idle;
    std::string status_;
    std::optional<std::string> error_;
    Bytes beginSuffix_;
    Bytes metadata_;
    Bytes data_;
    std::size_t metadataOffset_ = 0;
    std::size_t dataOffset_ = 0;
    std::optional<std::uint8_t> pendingSequence_;
    ResponseTimeout timeout_;
};

} // namespace norix
