#pragma once
// One chip as the user writes it and the Norix stores it: name, pin count,
// chip type, package picture, test code and eight strings. A plain value; the
// editor, the chip file codec and the upload all work on copies of it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norix {

// Labels of `ChipDocument::chipType`, indexed by its value.
inline constexpr std::array<std::string_view, 7> chipTypeLabels = {
    "Unknown", "DRAM", "SRAM", "CPU", "7400 Series", "I/O", "Other"};

// Labels of `ChipDocument::imageIndex` (the package picture), indexed by its value.
inline constexpr std::array<std::string_view, 9> packagePictureLabels = {
    "DIP6", "DIP14", "DIP16", "DIP20W", "DIP20", "DIP24", "DIP28", "DIP32", "DIP40"};

inline constexpr std::size_t chipStringCount = 8;
inline constexpr std::int64_t defaultPinCount = 14;

struct ChipDocument {
    std::string name;
    std::int64_t pinCount = defaultPinCount;
    std::int64_t chipType = 0;
    std::int64_t imageIndex = 0;
    std::string code; // lines separated by a line feed
    std::vector<std::string> strings = std::vector<std::string>(chipStringCount);

    ChipDocument() = default;
    ChipDocument(std::string name_, std::int64_t pinCount_ = defaultPinCount,
                 std::int64_t chipType_ = 0, std::int64_t imageIndex_ = 0, std::string code_ = {},
                 std::vector<std::string> strings_ = std::vector<std::string>(chipStringCount));

    // Back to the defaults: empty name, 14 pins, type 0, picture 0, no code,
    // eight empty strings.
    void clear();

    // String `index`, or the empty text for an index outside the list.
    std::string string(std::int64_t index) const;
    // Replaces string `index`; an index outside the list changes nothing.
    void setString(std::int64_t index, std::string value);
};

} // namespace norix
