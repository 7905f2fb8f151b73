#pragma once
// Where a simulated Norix reads commands and writes answers: a file descriptor
// watched on the event loop (the master side of a pseudo-terminal, a socket),
// or an in-memory pipe whose bytes the test hands over and collects itself.

#include "core/loop/EventLoop.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>

namespace norix::sim {

using ByteHandler = std::function<void(std::span<const std::uint8_t>)>;

class SimTransport {
public:
    virtual ~SimTransport() = default;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Hangs up: the other side sees the connection end.
    virtual void close() = 0;
    // Hangs up once the other side has taken what was written (or a moment has
    // passed), then calls `done`. Closing at once could discard the last answer.
    virtual void closeAfterDelivery(std::function<void()> done) {
        close();
        done();
    }
    virtual bool isOpen() const = 0;
};

// Reads the descriptor when the loop says it is readable and writes without
// blocking, keeping what the descriptor cannot take yet for a later attempt.
// The descriptor stays its owner's (the pseudo-terminal pair) and is never closed here.
class DescriptorTransport : public SimTransport {
public:
    // onBytes gets every chunk read; onPeerClosed is called once when the
    // descriptor reports end of file or a read error (the transport is then closed).
    DescriptorTransport(EventLoop& loop, int fd, ByteHandler onBytes,
                        std::function<void()> onPeerClosed);
    ~DescriptorTransport() override;

    void write(std::span<const std::uint8_t> bytes) override;
    void close() override;
    void closeAfterDelivery(std::function<void()> done) override;
    bool isOpen() const override { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // How many written bytes the other side has not read yet (for a
    // pseudo-terminal: the slave's input queue). Without it delivery is
    // complete once the descriptor took every byte.
    void setUnreadProbe(std::function<std::size_t()> probe) { unreadProbe_ = std::move(probe); }

private:
    void readAvailable();
    void flush();
    struct DeliveryWait {
        TimePoint graceEnd;
        TimePoint deadline;
        bool arrived; // the other side's queue held the bytes at some check
    };
    void waitForDelivery(DeliveryWait wait, std::function<void()> done);

    EventLoop& loop_;
    int fd_;
    ByteHandler onBytes_;
    std::function<void()> onPeerClosed_;
    ScopedWatch watch_;
    ScopedTimer retryTimer_;
    std::deque<std::uint8_t> pending_;
    std::function<std::size_t()> unreadProbe_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

// Answers go to a callback; the owner feeds commands with SimulatedNorix::receiveBytes.
class PipeTransport : public SimTransport {
public:
    PipeTransport(ByteHandler output, std::function<void()> onHangUp)
        : output_(std::move(output)), onHangUp_(std::move(onHangUp)) {}

    void write(std::span<const std::uint8_t> bytes) override {
        if (open_ && output_)
            output_(bytes);
    }
    void close() override;
    bool isOpen() const override { return open_; }

private:
    ByteHandler output_;
    std::function<void()> onHangUp_;
    bool open_ = true;
};

} // namespace norix::sim
