#pragma once
// Sending one chip to the Norix: metadata, the strings block in chunks, the
// code length and the code in chunks, each packet released by the answer to
// the previous one; then, on request, the command that stores the chip. The
// chip's bytes are prepared by the caller (ChipSession), which also decides
// what follows a completed upload.

#include "core/chips/ChipDocument.h"
#include "core/chips/Terminal.h"
#include "core/link/SerialPacket.h"
#include "core/link/SerialPortManager.h"
#include "core/util/Signal.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

enum class NorixUploadStage {
    idle,
    metadata,
    stringBegin,
    stringChunk,
    stringEnd,
    codeLength,
    codeChunk,
    complete,
};

inline constexpr std::size_t maximumUploadCodeSize = 65535;

// The 41-byte metadata of a chip with `codeSize` bytes of code; nothing when
// the size does not fit its 16-bit field.
std::optional<Bytes> buildUploadMetadata(const ChipDocument& chip, std::size_t codeSize);
// Eight 64-byte slots, each the first 63 bytes of a string and at least one zero byte.
Bytes buildUploadStrings(const std::vector<std::string>& strings);

class ChipUpload {
public:
    ChipUpload(SerialPortManager& link, Terminal& terminal);

    NorixUploadStage uploadStage() const { return uploadStage_; }
    // Neither idle nor complete.
    bool isUploading() const;
    // The store command is sent and unanswered.
    bool isStoring() const;
    const std::optional<std::uint8_t>& uploadExpectedSequence() const {
        return uploadExpectedSequence_;
    }
    const Bytes& uploadCodeBytes() const { return uploadCodeBytes_; }
    const Bytes& uploadStringBytes() const { return uploadStringBytes_; }
    std::size_t uploadStringOffset() const { return uploadStringOffset_; }
    std::size_t uploadCodeOffset() const { return uploadCodeOffset_; }
    const Bytes& uploadLastPayload() const { return uploadLastPayload_; }

    // Starts sending: writes the progress line and sends the metadata.
    void begin(Bytes metadata, Bytes strings, Bytes code);
    // Sends the store command; its answer arrives in the idle stage.
    void store();
    // Consumes the packet when it answers the outstanding upload packet.
    bool handleUploadPacket(const SerialPacket& packet);
    // Back to idle with nothing outstanding (link lost, batch ended).
    void reset();

    // Observers subscribe through the const view the session hands out.
    mutable Signal<> changed;
    // The last code chunk was accepted (stage complete).
    mutable Signal<> uploadCompleted;
    // The store command was answered with done.
    mutable Signal<> chipStored;
    // A failure answer or a packet that could not be sent ended the upload or store.
    mutable Signal<> uploadFailed;

private:
    bool sendUploadPacket(std::uint8_t command, Bytes payload);
    void sendNextStringChunk();
    void sendNextCodeChunk();
    void retryCurrentUploadPacket();
    void fail();
    void write(std::string_view text) { terminal_.appendTerminal(text); }

    SerialPortManager& link_;
    Terminal& terminal_;
    NorixUploadStage uploadStage_ = NorixUploadStage::idle;
    std::optional<std::uint8_t> uploadExpectedSequence_;
    Bytes uploadCodeBytes_;
    Bytes uploadStringBytes_;
    std::size_t uploadStringOffset_ = 0;
    std::size_t uploadCodeOffset_ = 0;
    Bytes uploadLastPayload_;
};

} // namespace norix
