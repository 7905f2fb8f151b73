#pragma once
// One of the Norix's font slots as it last reported it. The link keeps a list
// of six of these; a slot with no name is empty.

#include "core/link/ProtocolCodes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

class NorixFontSlot {
public:
    explicit NorixFontSlot(std::int64_t slot, std::optional<std::string> name_ = std::nullopt,
                           std::optional<std::int64_t> width_ = std::nullopt,
                           std::optional<std::int64_t> height_ = std::nullopt,
                           std::optional<std::int64_t> glyphCount_ = std::nullopt)
        : name(std::move(name_)), width(width_), height(height_), glyphCount(glyphCount_),
          slot_(slot) {}

    std::optional<std::string> name;
    std::optional<std::int64_t> width;
    std::optional<std::int64_t> height;
    std::optional<std::int64_t> glyphCount;

    // Counted from 0; also the record's identity.
    std::int64_t slot() const { return slot_; }
    std::int64_t id() const { return slot_; }
    // An empty name text is a font with an empty name, not an empty slot.
    bool isEmpty() const { return !name.has_value(); }

    bool operator==(const NorixFontSlot&) const = default;

    // Slots 0 to count - 1, all empty.
    static std::vector<NorixFontSlot> emptySlots(std::int64_t count = norixFontSlotCount);

private:
    std::int64_t slot_;
};

} // namespace norix
