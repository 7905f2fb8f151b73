#include "sim/SimTransport.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace norix::sim {
namespace {

// When the other side is slow to read, try again soon rather than block the loop.
constexpr Milliseconds writeRetryDelay{1};
constexpr std::size_t readChunkSize = 4096;
// A client that does not read at all does not keep the port open for long.
constexpr std::chrono::milliseconds deliveryLimit{1000};
constexpr std::chrono::milliseconds deliveryGrace{50};

} // namespace

DescriptorTransport::DescriptorTransport(EventLoop& loop, int fd, ByteHandler onBytes,
                                         std::function<void()> onPeerClosed)
    : loop_(loop), fd_(fd), onBytes_(std::move(onBytes)), onPeerClosed_(std::move(onPeerClosed)),
      watch_(loop), retryTimer_(loop) {
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    watch_.watch(fd_, [this] { readAvailable(); });
}

DescriptorTransport::~DescriptorTransport() {
    close();
}

void DescriptorTransport::readAvailable() {
    std::array<std::uint8_t, readChunkSize> buffer;
    const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
    if (count > 0) {
        onBytes_(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(count)));
        return;
    }
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    close();
    if (onPeerClosed_)
        onPeerClosed_();
}

void DescriptorTransport::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0)
        return;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    flush();
}

void DescriptorTransport::flush() {
    while (fd_ >= 0 && !pending_.empty()) {
        const std::vector<std::uint8_t> chunk(pending_.begin(), pending_.end());
        const ssize_t written = ::write(fd_, chunk.data(), chunk.size());
        if (written > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            retryTimer_.start(writeRetryDelay, [this] { flush(); });
            return;
        }
        // The other side is gone: what it did not take is lost, as on a real line.
        pending_.clear();
        return;
    }
}

void DescriptorTransport::closeAfterDelivery(std::function<void()> done) {
    const auto now = std::chrono::steady_clock::now();
    waitForDelivery(DeliveryWait{now + deliveryGrace, now + deliveryLimit, false}, std::move(done));
}

void DescriptorTransport::waitForDelivery(DeliveryWait wait, std::function<void()> done) {
    if (fd_ < 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    const std::size_t unread = unreadProbe_ ? unreadProbe_() : 0;
    wait.arrived = wait.arrived || unread > 0;
    // The kernel hands written bytes to the other side a moment later, so an
    // empty queue means "read" only once the bytes were seen there, or after a grace period.
    const bool delivered =
        pending_.empty() && unread == 0 && (!unreadProbe_ || wait.arrived || now >= wait.graceEnd);
    if (delivered || now >= wait.deadline) {
        close();
        done();
        return;
    }
    // Checked again after the loop has served the other descriptors (the
    // client may live on the same loop); real time bounds the wait, whatever
    // clock the loop keeps.
    std::weak_ptr<int> alive = lifetime_;
    loop_.post([this, alive, wait, done = std::move(done)] {
        if (alive.lock())
            waitForDelivery(wait, done);
    });
}

void DescriptorTransport::close() {
    watch_.reset();
    retryTimer_.cancel();
    pending_.clear();
    fd_ = -1;
}

void PipeTransport::close() {
    if (!open_)
        return;
    open_ = false;
    if (onHangUp_)
        onHangUp_();
}

} // namespace norix::sim
