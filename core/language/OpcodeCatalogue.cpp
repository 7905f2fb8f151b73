#include "core/language/OpcodeCatalogue.h"

#include "core/language/SourceText.h"

#include <array>
#include <unordered_map>

namespace norix {
namespace {

using T = OpcodeArgType;

struct ArgRow {
    const char* name;
    OpcodeArgType type;
};

// One catalogue row. A word of -1 marks the one opcode the Norix has no word
// for (SEVSEG): it is offered and validated, but never compiled.
struct OpcodeRow {
    const char* category;
    const char* opcode;
    int word;
    const char* description;
    bool pinPicker;
    std::vector<ArgRow> args;
};

const std::vector<OpcodeRow>& catalogueRows() {
    static const std::vector<OpcodeRow> rows = {
        {"Control Flow", "GOSTRT", 0x0D, "Go to code start", false, {}},
        {"Control Flow", "LOOP", 0x10, "Start counted loop", false, {{"Loops", T::value}}},
        {"Control Flow", "ENDLOOP", 0x11, "End counted loop", false, {}},
        {"Control Flow", "BRKLOOP", 0x13, "Break loop", false, {}},
        {"Control Flow",
         "WHILE",
         0x18,
         "Start while loop",
         false,
         {{"Operator", T::value}, {"Value1", T::value}, {"Value2", T::value}}},
        {"Control Flow", "ENDWHL", 0x19, "End while loop", false, {}},
        {"Control Flow", "JMP", 0x1A, "Jump to line number", false, {{"Line", T::value}}},
        {"Control Flow", "DOUNTIL", 0x1B, "Start DoUntil loop", false, {}},
        {"Control Flow",
         "ENDUNTIL",
         0x1C,
         "End DoUntil loop",
         false,
         {{"Operator", T::value}, {"Value1", T::value}, {"Value2", T::value}}},
        {"Control Flow",
         "IF",
         0x50,
         "Start an IF statement",
         false,
         {{"Operator", T::value}, {"Value1", T::value}, {"Value2", T::value}}},
        {"Control Flow", "ENDIF", 0x51, "End IF statement", false, {}},
        {"Control Flow", "FUNC", 0xC1, "Start function code", false, {{"Function Name", T::text}}},
        {"Control Flow", "ENDFUNC", 0xC2, "End function code", false, {}},
        {"Control Flow", "CALL", 0xC3, "Call function", false, {{"Function Name", T::text}}},
        {"Control Flow", "PASSFAIL", 0xF2, "Set pass or fail", false, {{"PassFail", T::value}}},
        {"Control Flow", "ENDTEST", 0xF0, "End test", false, {}},
        // SETPIN and RDPIN take their pin as a value (so a register may hold
        // it), and RDPIN's output register is a value too.
        {"GPIO",
         "SETPIN",
         0x01,
         "Set pin high/low",
         true,
         {{"Pin Num", T::value}, {"Level", T::value}}},
        {"GPIO",
         "RDPIN",
         0x03,
         "Read pin level",
         true,
         {{"Pin Num", T::value}, {"Output Reg", T::value}}},
        {"GPIO", "SETIN", 0x02, "Set pin as input", true, {{"Pin Num", T::pin}}},
        {"GPIO", "SETOUT", 0x09, "Set pin as output", true, {{"Pin Num", T::pin}}},
        {"GPIO",
         "MULTIO",
         0x05,
         "Multiple pins out",
         true,
         {{"Pin 1", T::pin}, {"Pin 2", T::pin}, {"Pin 3", T::pin}}},
        {"GPIO",
         "MULTII",
         0x06,
         "Multiple pins in",
         true,
         {{"Pin 1", T::pin}, {"Pin 2", T::pin}, {"Pin 3", T::pin}}},
        {"GPIO",
         "MULTIHI",
         0x07,
         "Set multiple pins high",
         true,
         {{"Pin 1", T::pin}, {"Pin 2", T::pin}, {"Pin 3", T::pin}}},
        {"GPIO",
         "MULTILO",
         0x08,
         "Set multiple pins low",
         true,
         {{"Pin 1", T::pin}, {"Pin 2", T::pin}, {"Pin 3", T::pin}}},
        {"GPIO", "ASAFE", 0x0B, "Set all pins to Hi-Z", false, {}},
        {"GPIO",
         "ALLDIR",
         0x0E,
         "Set all pins direction",
         true,
         {{"Side A", T::sideBitfield}, {"Side B", T::sideBitfield}}},
        {"GPIO",
         "ALLEVEL",
         0x0F,
         "Set all pins levels",
         true,
         {{"Side A", T::sideBitfield}, {"Side B", T::sideBitfield}}},
        {"GPIO", "PHIZ", 0x28, "Set a pin to Hi-Z", true, {{"Pin Num", T::pin}}},
        {"GPIO",
         "TOGPIN",
         0x29,
         "Toggle a pin",
         true,
         {{"Pin Num", T::pin}, {"Low->Hi?", T::value}}},
        {"Memory",
         "DEFADDR",
         0x22,
         "Define address pins",
         true,
         {{"Base", T::addressGroup}, {"Low Bytes", T::pinList}, {"Hi Bytes", T::pinList}}},
        {"Memory",
         "SETADDR",
         0x21,
         "Set 32 bit address",
         false,
         {{"Num Bits", T::value}, {"Address", T::value}, {"Input/Output", T::value}}},
        {"Memory",
         "GETADDR",
         0x27,
         "Get 32 bit address value",
         false,
         {{"Num Bits", T::value}, {"Output Reg", T::registerSlot}}},
        {"Memory",
         "REGLOD",
         0x40,
         "Load value into register",
         false,
         {{"Reg Num", T::registerSlot}, {"Value", T::value}}},
        {"Memory",
         "REGINC",
         0x42,
         "Increment register value by 1",
         false,
         {{"Reg Num", T::registerSlot}}},
        {"Memory",
         "REGDEC",
         0x43,
         "Decrement register value by 1",
         false,
         {{"Reg Num", T::registerSlot}}},
        {"Memory",
         "ARRADD",
         0x25,
         "Add values to array",
         false,
         {{"Array A/B", T::value}, {"Array index", T::value}, {"Value", T::value}}},
        {"Memory",
         "PIN2ARR",
         0x2A,
         "Add pin to pin array",
         true,
         {{"Array A/B", T::value}, {"Lower 4", T::pinList}, {"Upper 4", T::pinList}}},
        {"Memory",
         "ARRGET",
         0x26,
         "Get an array index value",
         false,
         {{"Array A/B", T::value}, {"Array Index", T::value}, {"Output Reg", T::registerSlot}}},
        {"Memory",
         "DEF8",
         0x2B,
         "Define 8 bit address pins",
         true,
         {{"Index", T::addressIndex}, {"Low Bytes", T::pinList}, {"High Bytes", T::pinList}}},
        {"Memory",
         "SET8",
         0x2C,
         "Set 8 bit address",
         false,
         {{"Index", T::value}, {"Address", T::value}, {"Input/Output", T::value}}},
        {"Memory",
         "GET8",
         0x2D,
         "Get value of 8 bit address",
         false,
         {{"Index", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "ADD",
         0x44,
         "Add",
         false,
         {{"Num 1", T::value}, {"Num 2", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "SUBTR",
         0x45,
         "Subtract",
         false,
         {{"Num 1", T::value}, {"Num 2", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "MULT",
         0x46,
         "Multiply",
         false,
         {{"Num 1", T::value}, {"Num 2", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "DIV",
         0x47,
         "Divide",
         false,
         {{"Num 1", T::value}, {"Num 2", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "RNG",
         0x49,
         "Random number generator",
         false,
         {{"Min", T::value}, {"Max", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "AND",
         0x4A,
         "Bitwise AND operation",
         false,
         {{"Left Value", T::value}, {"Right Value", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "OR",
         0x4B,
         "Bitwise OR operator",
         false,
         {{"Left Value", T::value}, {"Right Value", T::value}, {"Output Reg", T::registerSlot}}},
        // The lower-case v is how the Norix's own tables label it.
        {"Math",
         "XOR",
         0x4F,
         "Bitwise XOR operator",
         false,
         {{"Left value", T::value}, {"Right Value", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "NOT",
         0x4E,
         "Bitwise NOT operator",
         false,
         {{"Value", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "SHL",
         0x4C,
         "Shift bits left",
         false,
         {{"Value", T::value}, {"Shift Amount", T::value}, {"Output Reg", T::registerSlot}}},
        {"Math",
         "SHR",
         0x4D,
         "Shift bits right",
         false,
         {{"Value", T::value}, {"Shift Amount", T::value}, {"Output Reg", T::registerSlot}}},
        {"Timing", "DELUS", 0x16, "Delay for microseconds", false, {{"Microseconds", T::value}}},
        {"Timing", "DELMS", 0x17, "Delay for milliseconds", false, {{"Milliseconds", T::value}}},
        {"Timing",
         "CLKST",
         0x1D,
         "Start pulse clock",
         true,
         {{"Pin Num", T::pin}, {"KHz", T::value}}},
        {"Timing", "CLKSTP", 0x1E, "Stop pulse clock", false, {}},
        {"Timing", "BTNWT", 0x6B, "Wait for button press", false, {{"Button Num", T::value}}},
        {"Timing",
         "BTNPR",
         0x6A,
         "Button press jump to line",
         false,
         {{"Button Num", T::value}, {"Line Num", T::value}}},
        {"Add-on Boards", "BRD_ON", 0xA0, "Turn on add-on board power", false, {}},
        {"Add-on Boards", "BRD_OFF", 0xA1, "Turn off add-on board power", false, {}},
        {"Add-on Boards",
         "BRD_GET_ID",
         0xA2,
         "Read add-on board ID",
         false,
         {{"Output Reg", T::registerSlot}}},
        {"Add-on Boards",
         "BRD_SEND_CMD",
         0xA3,
         "Send command to add-on board",
         false,
         {{"Command", T::value}}},
        {"Add-on Boards",
         "BRD_SEND_STR",
         0xA4,
         "Send string to add-on board",
         false,
         {{"Str Index", T::value}}},
        {"Add-on Boards",
         "BRD_WAIT_RESP",
         0xA5,
         "Wait for add-on board response",
         false,
         {{"Output Reg", T::registerSlot}}},
        {"Add-on Boards",
         "BRD_WAIT_STR",
         0xA6,
         "Wait for and show add-on board string",
         false,
         {{"Str Index", T::value}, {"Pos X", T::value}, {"Pos Y", T::value}}},
        {"Add-on Boards",
         "BRD_SEND_DATA",
         0xA7,
         "Send data to add-on board",
         false,
         {{"Value", T::value}}},
        {"Add-on Boards",
         "BRD_WAIT_DATA",
         0xA8,
         "Wait for add-on board data",
         false,
         {{"Output Reg", T::registerSlot}}},
        {"Display", "LEDON", 0x6C, "Turn on LED", false, {}},
        {"Display", "LEDOFF", 0x6D, "Turn off LED", false, {}},
        {"Display", "BLINKON", 0x68, "Start LED blink", false, {{"Speed ms", T::value}}},
        {"Display", "BLINKOFF", 0x69, "Stop LED blink", false, {}},
        {"Display", "FILSCR", 0x61, "Fill screen with color", false, {{"RGB565", T::value}}},
        {"Display",
         "SHOSTR",
         0x60,
         "Show string",
         false,
         {{"Str Index", T::value}, {"Pos X", T::value}, {"Pos Y", T::value}}},
        {"Display",
         "SEVSEG",
         -1,
         "Show pseudo 7 segment display",
         false,
         {{"Number", T::value}, {"Pos X,Y", T::value}, {"Size/Color", T::value}}},
        {"Display",
         "TXTCOL",
         0x63,
         "Set text color",
         false,
         {{"Fore Color", T::value}, {"Back Color", T::value}}},
        {"Display",
         "PROG",
         0x64,
         "Show progress bar",
         false,
         {{"Percent", T::value}, {"Fill Color", T::value}, {"Back Color", T::value}}},
        {"Display", "UDSCRN", 0x6F, "Refresh Display", false, {}},
    };
    return rows;
}

std::uint64_t nextIdentity() {
    static std::uint64_t counter = 0;
    return ++counter;
}

OpcodeOption makeOption(const OpcodeRow& row) {
    OpcodeOption option;
    option.id = nextIdentity();
    option.opcode = row.opcode;
    option.description = row.description;
    option.uiType = row.pinPicker ? OpcodeUIType::mockChip : OpcodeUIType::none;
    for (const ArgRow& arg : row.args) {
        // Function names start as a sample name, every number as 0.
        const char* initial = arg.type == T::text ? "myFunc" : "0";
        option.args.push_back({nextIdentity(), arg.name, initial, initial, arg.type});
    }
    return option;
}

// Upper-case mnemonic -> catalogue entry and word, for the look-ups every
// source line makes.
const std::unordered_map<std::string_view, Mnemonic>& mnemonicIndex() {
    static const auto index = [] {
        std::unordered_map<std::string_view, Mnemonic> made;
        for (const auto& [category, options] : opcodeOptions()) {
            for (const OpcodeOption& option : options)
                made.emplace(option.opcode, Mnemonic{false, &option, std::nullopt});
        }
        for (const auto& [mnemonic, word] : norixOpcodeWords())
            made.at(mnemonic).word = word;
        made.emplace("DIM", Mnemonic{true, nullptr, std::nullopt});
        return made;
    }();
    return index;
}

Mnemonic lookUpUpper(std::string_view upper) {
    const auto& index = mnemonicIndex();
    const auto found = index.find(upper);
    return found == index.end() ? Mnemonic{} : found->second;
}

} // namespace

const std::vector<OpcodeCategory>& opcodeCategories() {
    static const std::vector<OpcodeCategory> categories = {
        {"arrow.triangle.branch", "Control Flow"},
        {"switch.2", "GPIO"},
        {"memorychip", "Memory"},
        {"function", "Math"},
        {"timer", "Timing"},
        {"puzzlepiece.extension", "Add-on Boards"},
        {"display", "Display"},
    };
    return categories;
}

const std::map<std::string, std::vector<OpcodeOption>, std::less<>>& opcodeOptions() {
    static const auto options = [] {
        std::map<std::string, std::vector<OpcodeOption>, std::less<>> made;
        for (const OpcodeRow& row : catalogueRows())
            made[row.category].push_back(makeOption(row));
        return made;
    }();
    return options;
}

const std::map<std::string, std::uint32_t, std::less<>>& norixOpcodeWords() {
    static const auto words = [] {
        std::map<std::string, std::uint32_t, std::less<>> made;
        for (const OpcodeRow& row : catalogueRows()) {
            if (row.word >= 0)
                made.emplace(row.opcode, static_cast<std::uint32_t>(row.word));
        }
        return made;
    }();
    return words;
}

const std::set<std::string, std::less<>>& executableOpcodes() {
    static const auto opcodes = [] {
        std::set<std::string, std::less<>> made;
        for (const OpcodeRow& row : catalogueRows())
            made.insert(row.opcode);
        return made;
    }();
    return opcodes;
}

const std::vector<AddressGroupChoice>& addressGroups() {
    static const std::vector<AddressGroupChoice> groups = {
        {0, "Address 1-8"}, {8, "Address 9-16"}, {16, "Address 17-24"}, {24, "Address 25-32"}};
    return groups;
}

namespace {
std::vector<int> zeroThroughThirtyOne() {
    std::vector<int> values(32);
    for (int i = 0; i < 32; ++i)
        values[static_cast<std::size_t>(i)] = i;
    return values;
}
} // namespace

const std::vector<int>& addressIndexes() {
    static const std::vector<int> values = zeroThroughThirtyOne();
    return values;
}

const std::vector<int>& registerOptions() {
    static const std::vector<int> values = zeroThroughThirtyOne();
    return values;
}

Mnemonic classifyMnemonic(std::string_view token) {
    // The longest mnemonic has 13 characters. ASCII tokens are upper-cased in
    // place; others go through the Unicode mapping, which may shorten them.
    constexpr std::size_t longest = 16;
    char buffer[longest];
    bool ascii = true;
    for (std::size_t i = 0; i < token.size() && ascii; ++i) {
        const char c = token[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
        else if (i < longest)
            buffer[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (!ascii)
        return lookUpUpper(upperCased(token));
    if (token.size() > longest)
        return {};
    return lookUpUpper(std::string_view(buffer, token.size()));
}

const OpcodeOption* opcodeOption(std::string_view name) {
    return classifyMnemonic(name).option;
}

std::optional<std::uint32_t> norixOpcodeWord(std::string_view upperMnemonic) {
    const Mnemonic found = lookUpUpper(upperMnemonic);
    return found.word;
}

bool isExecutableOpcode(std::string_view upperMnemonic) {
    return lookUpUpper(upperMnemonic).option != nullptr;
}

std::optional<std::string_view> mnemonicForWord(std::uint32_t word) {
    static const auto inverted = [] {
        std::array<std::string_view, 256> made{};
        for (const auto& [mnemonic, opcodeWord] : norixOpcodeWords())
            made[opcodeWord] = mnemonic;
        return made;
    }();
    if (word >= inverted.size() || inverted[word].empty())
        return std::nullopt;
    return inverted[word];
}

} // namespace norix
