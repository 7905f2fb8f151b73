#include "sim/SimulatedNorix.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

namespace norix::sim {

Bytes encodeFrameWithBadCrc(const SerialPacket& packet) {
    Bytes raw{packet.code, packet.sequence};
    raw.insert(raw.end(), packet.payload.begin(), packet.payload.end());
    raw.push_back(static_cast<std::uint8_t>(computeCRC8(raw) ^ 0xFF));
    Bytes frame = cobsEncode(raw);
    frame.push_back(0x00);
    return frame;
}

SimulatedNorix::SimulatedNorix(EventLoop& loop, SimulatorConfig config)
    : loop_(loop), device_(std::move(config)),
      decoder_([this](const SerialPacket& packet) { handleCommand(packet); },
               [this](const std::string& error) {
                   ++rejectedFrames_;
                   lastFrameError_ = error;
               }) {}

SimulatedNorix::~SimulatedNorix() {
    if (transport_)
        transport_->close();
}

void SimulatedNorix::attachDescriptor(int fd) {
    if (transport_)
        transport_->close();
    decoder_.clear();
    clearQueue();
    hangingUp_ = false;
    transport_ = std::make_unique<DescriptorTransport>(
        loop_, fd, [this](std::span<const std::uint8_t> bytes) { receiveBytes(bytes); },
        [this] { onTransportClosed(); });
}

void SimulatedNorix::attachPipe(ByteHandler output, std::function<void()> onHangUp) {
    if (transport_)
        transport_->close();
    decoder_.clear();
    clearQueue();
    hangingUp_ = false;
    transport_ = std::make_unique<PipeTransport>(std::move(output), std::move(onHangUp));
}

void SimulatedNorix::receiveBytes(std::span<const std::uint8_t> bytes) {
    if (isAttached())
        decoder_.processReceivedBytes(bytes);
}

void SimulatedNorix::hangUp() {
    if (!isAttached())
        return;
    // The transport object stays until the next attach: this may run inside its read handler.
    transport_->close();
    onTransportClosed();
}

void SimulatedNorix::onTransportClosed() {
    decoder_.clear();
    clearQueue();
    disconnected.emit();
}

void SimulatedNorix::handleCommand(const SerialPacket& command) {
    // Frames that followed a hang-up in the same chunk never reached the device.
    if (!isAttached())
        return;
    const std::optional<FaultRule> fault = faults_.onCommand(command.code);
    const FaultAction action = fault ? fault->action : FaultAction::drop;
    std::optional<SerialPacket> answer;
    if (fault && action == FaultAction::hangUpBefore) {
        if (onExchange)
            onExchange(command, answer, fault);
        hangUp();
        return;
    }
    if (fault && (action == FaultAction::retry || action == FaultAction::fail ||
                  action == FaultAction::badSize)) {
        // Refused: the device leaves its state as it was, so a retried chunk is not doubled.
        const std::uint8_t code = action == FaultAction::retry  ? respRetry
                                  : action == FaultAction::fail ? respFail
                                                                : respBadSize;
        if (onExchange)
            onExchange(command, answer, fault);
        deliver(encodeFrame(reply(command, code)), std::nullopt);
        return;
    }
    answer = device_.answer(command);
    if (onExchange)
        onExchange(command, answer, fault);
    if (fault && action == FaultAction::drop)
        return;
    Bytes frame = fault && action == FaultAction::corruptCrc ? encodeFrameWithBadCrc(*answer)
                                                             : encodeFrame(*answer);
    deliver(std::move(frame), fault);
}

void SimulatedNorix::later(std::optional<Milliseconds> delay, Task task) {
    std::weak_ptr<int> alive = lifetime_;
    auto guarded = [alive, task = std::move(task)] {
        if (alive.lock())
            task();
    };
    if (delay)
        loop_.schedule(*delay, std::move(guarded));
    else
        loop_.post(std::move(guarded));
}

void SimulatedNorix::deliver(Bytes frame, const std::optional<FaultRule>& fault) {
    if (!isAttached())
        return;
    const FaultAction action = fault ? fault->action : FaultAction::drop;
    if (fault && action == FaultAction::delay) {
        const unsigned generation = queueGeneration_;
        later(Milliseconds(fault->argument), [this, generation, frame = std::move(frame)] {
            if (isAttached() && generation == queueGeneration_)
                enqueue(frame, 0);
        });
        return;
    }
    if (fault && action == FaultAction::hangUpAfter) {
        // No further command is taken; the port closes once this answer is read.
        hangingUp_ = true;
        enqueue(frame, 0, true);
        return;
    }
    enqueue(frame, fault && action == FaultAction::split ? fault->argument : 0);
}

void SimulatedNorix::enqueue(const Bytes& frame, std::size_t pieceSize, bool thenHangUp) {
    const std::size_t step = pieceSize == 0 ? frame.size() : pieceSize;
    for (std::size_t offset = 0; offset < frame.size(); offset += step) {
        const auto begin = frame.begin() + static_cast<std::ptrdiff_t>(offset);
        const auto end =
            frame.begin() + static_cast<std::ptrdiff_t>(std::min(offset + step, frame.size()));
        outgoing_.push_back({Bytes(begin, end), false});
    }
    if (thenHangUp && !outgoing_.empty())
        outgoing_.back().lastBeforeHangUp = true;
    if (!writing_)
        writeQueued();
}

void SimulatedNorix::writeQueued() {
    writing_ = true;
    if (outgoing_.empty() || !transport_ || !transport_->isOpen()) {
        writing_ = false;
        return;
    }
    Piece piece = std::move(outgoing_.front());
    outgoing_.pop_front();
    transport_->write(piece.bytes);
    if (piece.lastBeforeHangUp) {
        clearQueue();
        transport_->closeAfterDelivery([this] {
            hangingUp_ = false;
            onTransportClosed();
        });
        return;
    }
    if (outgoing_.empty()) {
        writing_ = false;
        return;
    }
    const unsigned generation = queueGeneration_;
    later(std::nullopt, [this, generation] {
        if (generation == queueGeneration_)
            writeQueued();
    });
}

void SimulatedNorix::clearQueue() {
    outgoing_.clear();
    writing_ = false;
    ++queueGeneration_;
}

} // namespace norix::sim
