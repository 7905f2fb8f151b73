#include "sim/SimulatedNorix.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

namespace norix {

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

void SimulatedNorix::attachDescriptor(int fd, bool ownsDescriptor) {
    if (transport_)
        transport_->close();
    decoder_.clear();
    hangingUp_ = false;
    transport_ = std::make_unique<DescriptorTransport>(
        loop_, fd, ownsDescriptor,
        [this](std::span<const std::uint8_t> bytes) { receiveBytes(bytes); },
        [this] { onTransportClosed(); });
}

void SimulatedNorix::attachPipe(ByteHandler output, std::function<void()> onHangUp) {
    if (transport_)
        transport_->close();
    decoder_.clear();
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
    disconnected();
}

void SimulatedNorix::handleCommand(const SerialPacket& command) {
    // Frames that followed a hang-up in the same chunk never reached the device.
    if (!isAttached())
        return;
    const std::optional<FaultRule> fault = faults_.onCommand(command.code);
    const FaultAction action = fault ? fault->action : FaultAction::Drop;
    std::optional<SerialPacket> answer;
    if (fault && action == FaultAction::HangUpBefore) {
        if (onExchange)
            onExchange(command, answer, fault);
        hangUp();
        return;
    }
    if (fault && (action == FaultAction::Retry || action == FaultAction::Fail ||
                  action == FaultAction::BadSize)) {
        // Refused: the device leaves its state as it was, so a retried chunk is not doubled.
        const std::uint8_t code = action == FaultAction::Retry  ? respRetry
                                  : action == FaultAction::Fail ? respFail
                                                                : respBadSize;
        if (onExchange)
            onExchange(command, answer, fault);
        deliver(encodeFrame(sim::reply(command, code)), std::nullopt);
        return;
    }
    answer = device_.answer(command);
    if (onExchange)
        onExchange(command, answer, fault);
    if (fault && action == FaultAction::Drop)
        return;
    Bytes frame = fault && action == FaultAction::CorruptCrc ? encodeFrameWithBadCrc(*answer)
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
    if (!fault) {
        if (isAttached())
            transport_->write(frame);
        return;
    }
    switch (fault->action) {
    case FaultAction::Delay:
        later(Milliseconds(fault->argument), [this, frame = std::move(frame)] {
            if (isAttached())
                transport_->write(frame);
        });
        return;
    case FaultAction::Split:
        writePieces(std::make_shared<Bytes>(std::move(frame)), 0, fault->argument);
        return;
    case FaultAction::HangUpAfter:
        if (!isAttached())
            return;
        transport_->write(frame);
        hangingUp_ = true;
        transport_->closeAfterDelivery([this] {
            hangingUp_ = false;
            onTransportClosed();
        });
        return;
    default:
        if (isAttached())
            transport_->write(frame);
        return;
    }
}

void SimulatedNorix::writePieces(std::shared_ptr<Bytes> frame, std::size_t offset,
                                 std::size_t pieceSize) {
    if (!isAttached() || offset >= frame->size())
        return;
    const std::size_t length = std::min(pieceSize, frame->size() - offset);
    transport_->write(std::span<const std::uint8_t>(frame->data() + offset, length));
    // Each piece is written from a task of its own, so the host reads them separately.
    later(std::nullopt, [this, frame, offset, length, pieceSize] {
        writePieces(frame, offset + length, pieceSize);
    });
}

} // namespace norix
