#pragma once
// What the Norix holds, as `fonts`, `images` and `settings` print it and
// `info` prints it under its headings: one way to write each listing.

namespace norix {
class FontSlotConversation;
class ImageSlotConversation;
class SettingsConversation;
} // namespace norix

namespace norix::cli {

// "N: Name (WxH, G glyphs)" or "N: Empty", one line a slot.
void printFontSlots(const FontSlotConversation& fonts);
// "NNN: name", one line for each image slot the list asked about.
void printImageSlots(const ImageSlotConversation& images);
// "field = value", one line a setting.
void printSettings(const SettingsConversation& settings);

} // namespace norix::cli
