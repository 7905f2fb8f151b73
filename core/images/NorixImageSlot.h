#pragma once
// One image slot of the Norix as its name list reports it. Slots are counted
// from 1; the link's cached list holds slot i + 1 at entry i.

#include "core/link/ProtocolCodes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

struct NorixImageSlot {
    std::int64_t slot = 1;
    std::optional<std::string> name; // none while not (yet) known

    std::int64_t id() const { return slot; }
    bool isEmpty() const { return !name || name->empty(); }
    // "[EMPTY]" for an empty slot, the name otherwise.
    std::string displayName() const { return isEmpty() ? "[EMPTY]" : *name; }

    // Slots 1 to 255, all without a name.
    static std::vector<NorixImageSlot> emptySlots();

    bool operator==(const NorixImageSlot&) const = default;
};

inline std::vector<NorixImageSlot> NorixImageSlot::emptySlots() {
    std::vector<NorixImageSlot> slots;
    slots.reserve(norixImageSlotCount);
    for (int slot = 1; slot <= norixImageSlotCount; ++slot)
        slots.push_back({slot, std::nullopt});
    return slots;
}

} // namespace norix
