#pragma once
// The Norix instruction set as the application knows it: every opcode with its
// category, description, argument definitions and pin-picker flag, and the
// 32-bit instruction words. The tables are built once and shared read-only by
// the compiler, the validator, the decompiler, the editor and the pin picker.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norix {

// What an argument admits; the compiler and validator decide the details.
enum class OpcodeArgType {
    value,        // number, DIM name or register reference #R0..#R31
    registerSlot, // literal destination register 0..31
    pin,          // literal DIP pin 1..pin count
    pinList,      // literal packed pins, one per byte
    sideBitfield, // literal bitfield, one bit per pin of one side
    text,         // function name (FUNC, CALL)
    addressGroup, // literal first address bit: 0, 8, 16 or 24
    addressIndex, // literal index 0..31
};

// mockChip: the opcode panel shows the DIP pin picker for this opcode.
enum class OpcodeUIType { none, mockChip };

struct OpcodeArg {
    std::uint64_t id = 0; // unique per instance; only tells list rows apart
    std::string name;     // label beside the argument's field
    std::string placeholder;
    std::string defaultValue;
    OpcodeArgType type = OpcodeArgType::value;
};

struct OpcodeOption {
    std::uint64_t id = 0;
    std::string opcode; // upper-case mnemonic
    std::string description;
    std::vector<OpcodeArg> args; // 0 to 3
    OpcodeUIType uiType = OpcodeUIType::none;
};

struct OpcodeCategory {
    std::string iconName; // a system symbol name; the GUI maps it to an icon
    std::string name;
};

struct AddressGroupChoice {
    std::uint32_t value;
    std::string name;
};

// The seven categories in panel order.
const std::vector<OpcodeCategory>& opcodeCategories();
// Category name -> that category's opcodes in panel order.
const std::map<std::string, std::vector<OpcodeOption>, std::less<>>& opcodeOptions();
// Upper-case mnemonic -> instruction word. 76 entries: SEVSEG has none.
const std::map<std::string, std::uint32_t, std::less<>>& norixOpcodeWords();
// The 77 mnemonics that count as instructions for the editor and validator.
const std::set<std::string, std::less<>>& executableOpcodes();
const std::vector<AddressGroupChoice>& addressGroups();
const std::vector<int>& addressIndexes();  // 0..31
const std::vector<int>& registerOptions(); // 0..31

// The catalogue entry whose mnemonic equals `name` compared in upper case, or
// null. The pointer stays valid for the life of the program.
const OpcodeOption* opcodeOption(std::string_view name);

// What the first token of a line is, compared in upper case: a DIM, a
// catalogue opcode (with its word when it has one), or neither. This is the
// one look-up every source line needs, so it avoids building the upper-case
// text for ordinary ASCII tokens.
struct Mnemonic {
    bool isDim = false;
    const OpcodeOption* option = nullptr; // null: not an opcode
    std::optional<std::uint32_t> word;    // none for SEVSEG and non-opcodes
};
Mnemonic classifyMnemonic(std::string_view token);

// Exact look-ups by an already upper-cased mnemonic.
std::optional<std::uint32_t> norixOpcodeWord(std::string_view upperMnemonic);
bool isExecutableOpcode(std::string_view upperMnemonic);
// Word -> mnemonic; no value for a word that no opcode has.
std::optional<std::string_view> mnemonicForWord(std::uint32_t word);

} // namespace norix
