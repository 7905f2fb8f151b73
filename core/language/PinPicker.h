#pragma once
// What a click on a pin of the DIP drawing writes into the opcode panel's
// argument fields: a single pin, one of several pins, a bit of a side
// bitfield, or an address bit packed into DEFADDR / DEF8 pin values.

#include "core/language/OpcodePanelModel.h"

#include <array>
#include <string>

namespace norix {

class PinPicker {
public:
    // `pinCount` is the chip's pin count (an even number 2 ... 40).
    PinPicker(OpcodePanelModel& model, int pinCount) : model_(model), pinCount_(pinCount) {}

    void handleMockPinClick(int pin);
    // An address opcode: an addressGroup or addressIndex first argument followed
    // by two pinList arguments.
    bool isAddressPinMode() const;
    void handleAddressPinClick(int pin);
    void rebuildAddressPinLists();
    void setSinglePinArg(int pin);
    void setSideBitfieldPin(int pin);

    // Four pin numbers, one per byte from the lowest, as "0x%08X".
    static std::string packFourPins(const std::array<int, 4>& pins);

private:
    std::vector<int> argumentPositions(OpcodeArgType type) const;

    OpcodePanelModel& model_;
    int pinCount_;
};

} // namespace norix
