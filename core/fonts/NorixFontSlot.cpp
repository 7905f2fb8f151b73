#include "core/fonts/NorixFontSlot.h"

namespace norix {

std::vector<NorixFontSlot> NorixFontSlot::emptySlots(std::int64_t count) {
    std::vector<NorixFontSlot> slots;
    for (std::int64_t slot = 0; slot < count; ++slot)
        slots.emplace_back(slot);
    return slots;
}

} // namespace norix
