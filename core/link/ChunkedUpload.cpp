#include "core/link/ChunkedUpload.h"

#include "core/link/ProtocolCodes.h"
#include "core/util/ByteOrder.h"

#include <algorithm>

namespace norix {
namespace {

Bytes sizePrefix(std::size_t size) {
    return littleEndian16(static_cast<std::uint16_t>(size));
}

std::size_t stepIndex(ChunkedUploadStep step) {
    return static_cast<std::size_t>(step) - 1;
}

} // namespace

Bytes chunkAt(const Bytes& buffer, std::size_t offset, std::size_t size) {
    const std::size_t first = std::min(offset, buffer.size());
    const std::size_t end = std::min(first + size, buffer.size());
    return Bytes(buffer.begin() + static_cast<std::ptrdiff_t>(first),
                 buffer.begin() + static_cast<std::ptrdiff_t>(end));
}

ChunkedUpload::ChunkedUpload(EventLoop& loop, Sender send, Hooks hooks)
    : send_(std::move(send)), hooks_(std::move(hooks)),
      timeout_(loop, [this] { return pendingSequence_; }) {}

std::size_t ChunkedUpload::doneBytes() const {
    if (!uploading_)
        return 0;
    if (step_ >= ChunkedUploadStep::waitingForDataBegin)
        return metadata_.size() + dataOffset_;
    return metadataOffset_;
}

std::size_t ChunkedUpload::totalBytes() const {
    return uploading_ ? metadata_.size() + data_.size() : 0;
}

void ChunkedUpload::notify() const {
    if (hooks_.changed)
        hooks_.changed();
}

void ChunkedUpload::start(ChunkedUploadTexts texts, Bytes beginSuffix, Bytes metadata, Bytes data) {
    texts_ = std::move(texts);
    beginSuffix_ = std::move(beginSuffix);
    metadata_ = std::move(metadata);
    data_ = std::move(data);
    metadataOffset_ = 0;
    dataOffset_ = 0;
    error_.reset();
    status_ = texts_.starting;
    uploading_ = true;
    notify();
    send(ChunkedUploadStep::waitingForMetaBegin);
}

void ChunkedUpload::refuse(const std::string& message) {
    error_ = message;
    notify();
}

void ChunkedUpload::send(ChunkedUploadStep step) {
    // A chunk step past the end of its buffer is the save that follows it.
    if (step == ChunkedUploadStep::waitingForMetaChunk && metadataOffset_ >= metadata_.size())
        step = ChunkedUploadStep::waitingForMetaSave;
    if (step == ChunkedUploadStep::waitingForDataChunk && dataOffset_ >= data_.size())
        step = ChunkedUploadStep::waitingForDataSave;

    const ChunkedUploadStepText& text = texts_.steps[stepIndex(step)];
    status_ = text.status;
    Bytes payload;
    switch (step) {
    case ChunkedUploadStep::waitingForMetaBegin:
        payload = sizePrefix(metadata_.size());
        payload.insert(payload.end(), beginSuffix_.begin(), beginSuffix_.end());
        break;
    case ChunkedUploadStep::waitingForMetaChunk:
        payload = chunkAt(metadata_, metadataOffset_);
        break;
    case ChunkedUploadStep::waitingForDataBegin:
        payload = sizePrefix(data_.size());
        break;
    case ChunkedUploadStep::waitingForDataChunk:
        payload = chunkAt(data_, dataOffset_);
        status_ += " " + std::to_string(dataOffset_ + payload.size()) + " of " +
                   std::to_string(data_.size()) + "\u2026";
        break;
    case ChunkedUploadStep::idle:
    case ChunkedUploadStep::waitingForMetaSave:
    case ChunkedUploadStep::waitingForDataSave:
        break;
    }
    step_ = step;
    notify();

    const auto sequence = send_(text.code, payload);
    if (!sequence)
        return fail(text.sendFailure, false);
    pendingSequence_ = sequence;
    timeout_.arm(*sequence, [this, operation = text.operation] {
        fail("Norix did not respond while " + operation + ".", true);
    });
}

bool ChunkedUpload::handlePacket(const SerialPacket& packet) {
    if (!uploading_ || pendingSequence_ != packet.sequence)
        return false;
    timeout_.cancel();
    switch (packet.code) {
    case respAck:
    case respDone:
        advance();
        return true;
    case respRetry:
        send(step_);
        return true;
    case respBadSize:
        fail(texts_.badSize, false);
        return true;
    case respFail:
        fail(texts_.failed, false);
        return true;
    default:
        // Not an upload answer: left for others, while the upload keeps waiting
        // (now without a time-out) for one that is.
        return false;
    }
}

void ChunkedUpload::advance() {
    pendingSequence_.reset();
    switch (step_) {
    case ChunkedUploadStep::idle:
        return;
    case ChunkedUploadStep::waitingForMetaBegin:
        metadataOffset_ = 0;
        return send(ChunkedUploadStep::waitingForMetaChunk);
    case ChunkedUploadStep::waitingForMetaChunk:
        metadataOffset_ = std::min(metadataOffset_ + chunkedUploadChunkSize, metadata_.size());
        return send(ChunkedUploadStep::waitingForMetaChunk);
    case ChunkedUploadStep::waitingForMetaSave:
        return send(ChunkedUploadStep::waitingForDataBegin);
    case ChunkedUploadStep::waitingForDataBegin:
        dataOffset_ = 0;
        return send(ChunkedUploadStep::waitingForDataChunk);
    case ChunkedUploadStep::waitingForDataChunk:
        dataOffset_ = std::min(dataOffset_ + chunkedUploadChunkSize, data_.size());
        return send(ChunkedUploadStep::waitingForDataChunk);
    case ChunkedUploadStep::waitingForDataSave:
        clear();
        status_ = texts_.completed;
        error_.reset();
        notify();
        if (hooks_.completed)
            hooks_.completed();
        return;
    }
}

void ChunkedUpload::fail(const std::string& message, bool timedOut) {
    clear();
    error_ = message;
    status_ = texts_.failureIsStatus ? message : std::string();
    notify();
    if (hooks_.failed)
        hooks_.failed(message, timedOut);
}

void ChunkedUpload::abandon(const std::string& status) {
    if (!uploading_)
        return;
    clear();
    status_ = status;
}

void ChunkedUpload::clear() {
    timeout_.cancel();
    uploading_ = false;
    step_ = ChunkedUploadStep::idle;
    pendingSequence_.reset();
    metadata_.clear();
    data_.clear();
    beginSuffix_.clear();
    metadataOffset_ = 0;
    dataOffset_ = 0;
}

} // namespace norix
