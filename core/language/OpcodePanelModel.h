#pragma once
// The state of the editor's opcode panel: the chosen category and opcode, the
// text of each argument field, which field has the focus, and the pins the
// picker shows selected. "Insert" turns it into a line of test code.

#include "core/language/OpcodeCatalogue.h"
#include "core/util/Signal.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace norix {

class OpcodePanelModel {
public:
    OpcodePanelModel();

    bool showOpcodeTools() const { return showOpcodeTools_; }
    const std::string& selectedOpcodeCategory() const { return selectedOpcodeCategory_; }
    bool showOpcodePanel() const { return showOpcodePanel_; }
    const OpcodeOption* selectedOpcodeOption() const { return selectedOpcodeOption_; }
    const std::optional<std::string>& selectedOpcode() const { return selectedOpcode_; }
    const std::vector<std::string>& opcodeArgValues() const { return opcodeArgValues_; }
    std::optional<int> focusedField() const { return focusedField_; }
    const std::set<int>& selectedMockPins() const { return selectedMockPins_; }
    // Pin number -> address bit 0 ... 7, for DEFADDR and DEF8.
    const std::map<int, int>& addressPinBits() const { return addressPinBits_; }

    void setShowOpcodeTools(bool show);
    // Writes the diagnostic line "Selected opcode category: {name}".
    void selectCategory(const std::string& name);
    // Fills the fields with the arguments' defaults and shows the argument panel.
    void chooseOpcode(const OpcodeOption& option);
    // Back to the opcode list, forgetting the chosen opcode and its fields.
    void back();
    // Out-of-range indexes change nothing.
    void setArgValue(std::size_t index, std::string value);
    void setFocusedField(std::optional<int> field);
    void setSelectedMockPins(std::set<int> pins);
    void setAddressPinBits(std::map<int, int> bits);

    // The number added to address bits in the picker's labels: the first
    // argument read as a decimal integer for DEFADDR, else 0.
    int addressBase() const;

    // The text to append to the test code for the chosen opcode (a line feed,
    // the mnemonic, the non-empty arguments), after which the argument panel
    // closes. Nothing when no opcode is chosen.
    std::optional<std::string> insert();

    Signal<> changed;

private:
    bool showOpcodeTools_ = true;
    std::string selectedOpcodeCategory_;
    bool showOpcodePanel_ = false;
    const OpcodeOption* selectedOpcodeOption_ = nullptr;
    std::optional<std::string> selectedOpcode_;
    std::vector<std::string> opcodeArgValues_;
    std::optional<int> focusedField_;
    std::set<int> selectedMockPins_;
    std::map<int, int> addressPinBits_;
};

} // namespace norix
