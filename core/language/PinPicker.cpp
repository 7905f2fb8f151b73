#include "core/language/PinPicker.h"

#include "core/language/SourceText.h"

#include <algorithm>
#include <cstdio>

namespace norix {
namespace {

std::optional<std::int64_t> decimalValue(const std::string& text) {
    return parseInt64(trimSource(text), 10);
}

} // namespace

std::vector<int> PinPicker::argumentPositions(OpcodeArgType type) const {
    std::vector<int> positions;
    if (const OpcodeOption* option = model_.selectedOpcodeOption()) {
        for (std::size_t i = 0; i < option->args.size(); ++i)
            if (option->args[i].type == type)
                positions.push_back(static_cast<int>(i));
    }
    return positions;
}

bool PinPicker::isAddressPinMode() const {
    const OpcodeOption* option = model_.selectedOpcodeOption();
    if (!option || option->args.size() < 3)
        return false;
    const auto first = option->args[0].type;
    return (first == OpcodeArgType::addressGroup || first == OpcodeArgType::addressIndex) &&
           option->args[1].type == OpcodeArgType::pinList &&
           option->args[2].type == OpcodeArgType::pinList;
}

void PinPicker::handleMockPinClick(int pin) {
    if (!model_.selectedOpcodeOption())
        return;
    if (isAddressPinMode()) {
        handleAddressPinClick(pin);
        return;
    }
    if (!argumentPositions(OpcodeArgType::sideBitfield).empty()) {
        setSideBitfieldPin(pin);
        return;
    }
    const std::vector<int> pinPositions = argumentPositions(OpcodeArgType::pin);
    if (pinPositions.empty())
        return;
    if (pinPositions.size() == 1) {
        model_.setSelectedMockPins({pin});
        setSinglePinArg(pin);
        return;
    }
    std::set<int> selected = model_.selectedMockPins();
    if (selected.contains(pin)) {
        selected.erase(pin);
        model_.setSelectedMockPins(selected);
        const std::string written = std::to_string(pin);
        for (int position : pinPositions) {
            if (model_.opcodeArgValues()[static_cast<std::size_t>(position)] == written) {
                model_.setArgValue(static_cast<std::size_t>(position), "0");
                model_.setFocusedField(position);
                break;
            }
        }
        return;
    }
    selected.insert(pin);
    model_.setSelectedMockPins(selected);
    setSinglePinArg(pin);
}

void PinPicker::setSinglePinArg(int pin) {
    const std::vector<int> positions = argumentPositions(OpcodeArgType::pin);
    const auto& values = model_.opcodeArgValues();
    if (positions.empty() || values.size() <= static_cast<std::size_t>(positions.back()))
        return;

    int target = positions.front();
    const auto focused = model_.focusedField();
    if (focused && std::ranges::find(positions, *focused) != positions.end()) {
        target = *focused;
    } else {
        for (int position : positions) {
            const std::string& value = values[static_cast<std::size_t>(position)];
            if (value.empty() || value == "0") {
                target = position;
                break;
            }
        }
    }

    const auto old = decimalValue(values[static_cast<std::size_t>(target)]);
    if (old && *old != pin) {
        std::set<int> selected = model_.selectedMockPins();
        selected.erase(static_cast<int>(*old));
        model_.setSelectedMockPins(selected);
    }
    model_.setArgValue(static_cast<std::size_t>(target), std::to_string(pin));

    auto next = std::ranges::upper_bound(positions, target);
    model_.setFocusedField(next != positions.end() ? *next : target);
}

void PinPicker::setSideBitfieldPin(int pin) {
    const std::vector<int> sides = argumentPositions(OpcodeArgType::sideBitfield);
    if (sides.size() < 2)
        return;
    const int half = std::max(pinCount_ / 2, 1);
    const bool sideA = pin <= half;
    const int position = sideA ? sides[0] : sides[1];
    const int bit = sideA ? pin - 1 : pin - half - 1;
    if (bit < 0 || bit > 62 ||
        model_.opcodeArgValues().size() <= static_cast<std::size_t>(position))
        return;

    auto value =
        decimalValue(model_.opcodeArgValues()[static_cast<std::size_t>(position)]).value_or(0);
    const std::int64_t mask = std::int64_t{1} << bit;
    std::set<int> selected = model_.selectedMockPins();
    if ((value & mask) == 0) {
        value |= mask;
        selected.insert(pin);
    } else {
        value &= ~mask;
        selected.erase(pin);
    }
    model_.setSelectedMockPins(selected);
    model_.setArgValue(static_cast<std::size_t>(position), std::to_string(value));
    model_.setFocusedField(position);
}

void PinPicker::handleAddressPinClick(int pin) {
    constexpr int highestBit = 7;
    std::map<int, int> bits = model_.addressPinBits();
    auto isTaken = [&bits](int bit) {
        return std::ranges::any_of(bits, [bit](const auto& entry) { return entry.second == bit; });
    };
    auto lowestFreeFrom = [&](int from) -> std::optional<int> {
        for (int bit = from; bit <= highestBit; ++bit)
            if (!isTaken(bit))
                return bit;
        return std::nullopt;
    };

    if (auto held = bits.find(pin); held != bits.end()) {
        const int current = held->second;
        bits.erase(held);
        if (auto next = lowestFreeFrom(current + 1))
            bits[pin] = *next;
    } else if (auto free = lowestFreeFrom(0)) {
        bits[pin] = *free;
    }
    model_.setAddressPinBits(std::move(bits));
    rebuildAddressPinLists();
}

void PinPicker::rebuildAddressPinLists() {
    if (model_.opcodeArgValues().size() < 3)
        return;
    std::array<int, 4> low{};
    std::array<int, 4> high{};
    for (const auto& [pin, bit] : model_.addressPinBits()) {
        if (bit >= 0 && bit < 4)
            low[static_cast<std::size_t>(bit)] = pin;
        else if (bit >= 4 && bit < 8)
            high[static_cast<std::size_t>(bit - 4)] = pin;
    }
    model_.setArgValue(1, packFourPins(low));
    model_.setArgValue(2, packFourPins(high));
}

std::string PinPicker::packFourPins(const std::array<int, 4>& pins) {
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < pins.size(); ++i)
        packed |= (static_cast<std::uint32_t>(pins[i]) & 0xFFu) << (8 * i);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", packed);
    return text;
}

} // namespace norix
