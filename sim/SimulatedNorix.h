#pragma once
// A simulated Norix on the event loop: it cuts the received bytes into frames
// with the link's own codec, answers every command through NorixDevice, and
// applies the fault rules to the answer before writing it back. It is attached
// to a descriptor (a pseudo-terminal master) or to an in-memory pipe.

#include "core/link/FrameCodec.h"
#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"
#include "sim/FaultRules.h"
#include "sim/NorixDevice.h"
#include "sim/SimTransport.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace norix::sim {

class SimulatedNorix {
public:
    explicit SimulatedNorix(EventLoop& loop, SimulatorConfig config = {});
    ~SimulatedNorix();
    SimulatedNorix(const SimulatedNorix&) = delete;
    SimulatedNorix& operator=(const SimulatedNorix&) = delete;

    // Serves a descriptor that its owner keeps open while it is attached.
    void attachDescriptor(int fd);
    // Answers go to `output`; commands come in through receiveBytes().
    void attachPipe(ByteHandler output, std::function<void()> onHangUp = {});
    bool isAttached() const { return transport_ && transport_->isOpen() && !hangingUp_; }
    // Bytes from the host, any chunking. Ignored while nothing is attached.
    void receiveBytes(std::span<const std::uint8_t> bytes);
    // Closes the port as a pulled cable would; the other side sees the end of the connection.
    void hangUp();
    // The transport, e.g. to give a descriptor transport its unread probe.
    SimTransport* transport() { return transport_.get(); }

    NorixDevice& device() { return device_; }
    NorixMemory& memory() { return device_.memory(); }
    SimulatorConfig& config() { return device_.config(); }
    FaultInjector& faults() { return faults_; }

    // Frames that failed COBS or CRC checks (the device cannot answer those).
    unsigned rejectedFrames() const { return rejectedFrames_; }
    const std::string& lastFrameError() const { return lastFrameError_; }

    // Called for every command with the answer as the device built it (before
    // faults); none when a fault kept the command from being carried out.
    std::function<void(const SerialPacket& command, const std::optional<SerialPacket>& answer,
                       const std::optional<FaultRule>& fault)>
        onExchange;
    // Fires when the connection ended: a hang-up fault, hangUp(), or the peer closing.
    Signal<> disconnected;

private:
    void handleCommand(const SerialPacket& command);
    void deliver(Bytes frame, const std::optional<FaultRule>& fault);
    // Queues an answer, cut into pieces of `pieceSize` bytes (0: whole), behind
    // everything queued before, so that the pieces of one answer are never
    // interleaved with another answer; `thenHangUp` closes the port after it.
    void enqueue(const Bytes& frame, std::size_t pieceSize, bool thenHangUp = false);
    void writeQueued();
    void clearQueue();
    void later(std::optional<Milliseconds> delay, Task task);
    void onTransportClosed();

    EventLoop& loop_;
    NorixDevice device_;
    FaultInjector faults_;
    FrameDecoder decoder_;
    std::unique_ptr<SimTransport> transport_;
    bool hangingUp_ = false; // answered, waiting for the host to read before closing
    struct Piece {
        Bytes bytes;
        bool lastBeforeHangUp = false;
    };
    // Pieces still to write, one per loop turn, so the host reads them separately.
    std::deque<Piece> outgoing_;
    bool writing_ = false;
    unsigned queueGeneration_ = 0; // a new connection drops what the old one left
    unsigned rejectedFrames_ = 0;
    std::string lastFrameError_;
    // Deferred work (delayed or split answers) checks this token so that it is
    // harmless after the simulator is gone.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

// The wire form of an answer whose CRC byte is wrong.
Bytes encodeFrameWithBadCrc(const SerialPacket& packet);

} // namespace norix::sim
