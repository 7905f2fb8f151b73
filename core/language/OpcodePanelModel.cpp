#include "core/language/OpcodePanelModel.h"

#include "core/language/SourceReader.h"
#include "core/language/SourceText.h"
#include "core/util/DiagnosticLog.h"

#include <cstdint>

namespace norix {

OpcodePanelModel::OpcodePanelModel() {
    if (!opcodeCategories().empty())
        selectedOpcodeCategory_ = opcodeCategories().front().name;
}

void OpcodePanelModel::setShowOpcodeTools(bool show) {
    if (show == showOpcodeTools_)
        return;
    showOpcodeTools_ = show;
    changed.emit();
}

void OpcodePanelModel::selectCategory(const std::string& name) {
    logLine("Selected opcode category: " + name);
    if (name == selectedOpcodeCategory_)
        return;
    selectedOpcodeCategory_ = name;
    changed.emit();
}

void OpcodePanelModel::chooseOpcode(const OpcodeOption& option) {
    selectedOpcode_ = option.opcode;
    selectedOpcodeOption_ = &option;
    opcodeArgValues_.clear();
    for (const auto& arg : option.args)
        opcodeArgValues_.push_back(arg.defaultValue);
    selectedMockPins_.clear();
    addressPinBits_.clear();
    focusedField_.reset();
    showOpcodePanel_ = true;
    changed.emit();
}

void OpcodePanelModel::back() {
    showOpcodePanel_ = false;
    selectedOpcode_.reset();
    selectedOpcodeOption_ = nullptr;
    opcodeArgValues_.clear();
    selectedMockPins_.clear();
    addressPinBits_.clear();
    focusedField_.reset();
    changed.emit();
}

void OpcodePanelModel::setArgValue(std::size_t index, std::string value) {
    if (index >= opcodeArgValues_.size() || opcodeArgValues_[index] == value)
        return;
    opcodeArgValues_[index] = std::move(value);
    changed.emit();
}

void OpcodePanelModel::setFocusedField(std::optional<int> field) {
    if (field == focusedField_)
        return;
    focusedField_ = field;
    changed.emit();
}

void OpcodePanelModel::setSelectedMockPins(std::set<int> pins) {
    if (pins == selectedMockPins_)
        return;
    selectedMockPins_ = std::move(pins);
    changed.emit();
}

void OpcodePanelModel::setAddressPinBits(std::map<int, int> bits) {
    if (bits == addressPinBits_)
        return;
    addressPinBits_ = std::move(bits);
    changed.emit();
}

int OpcodePanelModel::addressBase() const {
    if (selectedOpcode_ != "DEFADDR" || opcodeArgValues_.empty())
        return 0;
    const auto base = parseInt64(trimSource(opcodeArgValues_.front()), 10);
    if (!base || *base < INT32_MIN || *base > INT32_MAX)
        return 0;
    return static_cast<int>(*base);
}

std::optional<std::string> OpcodePanelModel::insert() {
    if (!selectedOpcode_)
        return std::nullopt;
    // Packed pin values of the address opcodes keep their 0x form: the
    // compiler stores them as written.
    const bool keepAsTyped = *selectedOpcode_ == "DEFADDR" || *selectedOpcode_ == "DEF8";
    std::string arguments;
    for (const auto& value : opcodeArgValues_) {
        const std::string text = keepAsTyped ? value : normalizeArg(value);
        if (text.empty())
            continue;
        if (!arguments.empty())
            arguments += ' ';
        arguments += text;
    }
    std::string line = "\n" + *selectedOpcode_;
    if (!arguments.empty())
        line += " " + arguments;

    showOpcodePanel_ = false;
    selectedOpcode_.reset();
    selectedOpcodeOption_ = nullptr;
    opcodeArgValues_.clear();
    addressPinBits_.clear();
    focusedField_.reset();
    changed.emit();
    return line;
}

} // namespace norix
