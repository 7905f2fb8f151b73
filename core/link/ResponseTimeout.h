#pragma once
// The 3.0 s answer time-out of a conversation that sends a command and waits
// for the reply with the same sequence number. It fires only if that command
// is still the one outstanding when time runs out: an answer or a newer
// command in the meantime makes the old time-out harmless.

#include "core/link/ProtocolCodes.h"
#include "core/loop/EventLoop.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace norix {

class ResponseTimeout {
public:
    // Tells which sequence the conversation is waiting for right now, if any.
    using PendingSequence = std::function<std::optional<std::uint8_t>()>;

    ResponseTimeout(EventLoop& loop, PendingSequence pendingSequence,
                    Milliseconds delay = commandResponseTimeout);
    ResponseTimeout(const ResponseTimeout&) = delete;
    ResponseTimeout& operator=(const ResponseTimeout&) = delete;

    // Arms for the command just sent, replacing whatever was armed before.
    void arm(std::uint8_t sequence, Task onTimeout);
    void cancel();
    bool isArmed() const { return timer_.isActive(); }
    // The sequence the time-out is armed for, while it is armed.
    std::optional<std::uint8_t> armedSequence() const;
    Milliseconds delay() const { return delay_; }

private:
    void fire();

    ScopedTimer timer_; // cancelled on destruction
    PendingSequence pendingSequence_;
    Milliseconds delay_;
    std::uint8_t armedSequence_ = 0;
    Task onTimeout_;
};

} // namespace norix
