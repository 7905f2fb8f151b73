#include "cli/SlotListings.h"

#include "core/fonts/FontSlotConversation.h"
#include "core/images/ImageSlotConversation.h"
#include "core/settings/NorixSettings.h"
#include "core/settings/SettingsConversation.h"

#include <cstdio>
#include <iostream>

namespace norix::cli {

void printFontSlots(const FontSlotConversation& fonts) {
    for (const auto& slot : fonts.norixFontSlots()) {
        std::cout << slot.slot() << ": ";
        if (slot.isEmpty())
            std::cout << "Empty\n";
        else
            std::cout << *slot.name << " (" << slot.width.value_or(0) << "x"
                      << slot.height.value_or(0) << ", " << slot.glyphCount.value_or(0)
                      << " glyphs)\n";
    }
}

void printImageSlots(const ImageSlotConversation& images) {
    const auto& slots = images.norixImageSlots();
    for (std::int64_t slot = 1; slot < images.imageNameRequestLimit(); ++slot) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", static_cast<int>(slot));
        std::cout << number << ": " << slots[static_cast<std::size_t>(slot - 1)].displayName()
                  << "\n";
    }
}

void printSettings(const SettingsConversation& settings) {
    for (const auto& [name, value] : norixSettingsFields(settings.norixSettings()))
        std::cout << name << " = " << value << "\n";
}

} // namespace norix::cli
