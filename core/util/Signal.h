#pragma once
// A small multi-subscriber notification. Core objects announce state changes
// through it; windows and the CLI subscribe and redraw from the state. A
// Connection unsubscribes when it goes out of scope, so a destroyed window can
// never be called back.

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace norix {

class Connection {
public:
    Connection() = default;
    explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            reset();
            disconnect_ = std::exchange(other.disconnect_, {});
        }
        return *this;
    }
    ~Connection() { reset(); }

    void reset() {
        if (disconnect_)
            std::exchange(disconnect_, {})();
    }

private:
    std::function<void()> disconnect_;
};

template <typename... Args> class Signal {
public:
    using Slot = std::function<void(Args...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Connection connect(Slot slot) {
        const int id = nextId_++;
        state_->slots.emplace(id, std::move(slot));
        std::weak_ptr<State> weak = state_;
        return Connection([weak, id] {
            if (auto state = weak.lock())
                state->slots.erase(id);
        });
    }

    // Subscribers may connect or disconnect others while being called; each call
    // works on a snapshot and skips slots removed in the meantime.
    void emit(Args... args) const {
        auto state = state_;
        std::vector<int> ids;
        ids.reserve(state->slots.size());
        for (const auto& entry : state->slots)
            ids.push_back(entry.first);
        for (int id : ids) {
            auto found = state->slots.find(id);
            if (found != state->slots.end()) {
                Slot slot = found->second;
                slot(args...);
            }
        }
    }

private:
    struct State {
        std::map<int, Slot> slots;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    int nextId_ = 0;
};

} // namespace norix
