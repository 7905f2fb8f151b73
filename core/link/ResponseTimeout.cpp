#include "core/link/ResponseTimeout.h"

#include <utility>

namespace norix {

ResponseTimeout::ResponseTimeout(EventLoop& loop, PendingSequence pendingSequence,
                                 Milliseconds delay)
    : timer_(loop), pendingSequence_(std::move(pendingSequence)), delay_(delay) {}

void ResponseTimeout::arm(std::uint8_t sequence, Task onTimeout) {
    armedSequence_ = sequence;
    onTimeout_ = std::move(onTimeout);
    timer_.start(delay_, [this] { fire(); });
}

void ResponseTimeout::cancel() {
    timer_.cancel();
    onTimeout_ = nullptr;
}

std::optional<std::uint8_t> ResponseTimeout::armedSequence() const {
    if (!timer_.isActive())
        return std::nullopt;
    return armedSequence_;
}

void ResponseTimeout::fire() {
    // Taken out first: the handler may well arm the next time-out.
    Task onTimeout = std::exchange(onTimeout_, nullptr);
    if (!onTimeout || pendingSequence_() != std::optional<std::uint8_t>(armedSequence_))
        return;
    onTimeout();
}

} // namespace norix
