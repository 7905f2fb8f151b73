#include "core/language/PinPicker.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace norix {
namespace {

struct Panel {
    explicit Panel(const std::string& opcode, int pinCount = 14) : picker(model, pinCount) {
        model.chooseOpcode(*opcodeOption(opcode));
    }
    void click(const std::vector<int>& pins) {
        for (int pin : pins)
            picker.handleMockPinClick(pin);
    }
    const std::vector<std::string>& values() const { return model.opcodeArgValues(); }

    OpcodePanelModel model;
    PinPicker picker;
};

// Clicks on the DIP pins, and the fields, selected pins and focus they leave.
struct ClickCase {
    const char* name;
    const char* opcode;
    std::vector<int> clicks;
    std::vector<std::string> values;
    std::set<int> selected;
    std::optional<int> focus;
    int pinCount = 14;
    friend void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }
};

class Clicks : public ::testing::TestWithParam<ClickCase> {};

TEST_P(Clicks, FillTheFields) {
    Panel panel(GetParam().opcode, GetParam().pinCount);
    panel.click(GetParam().clicks);
    EXPECT_EQ(panel.values(), GetParam().values);
    EXPECT_EQ(panel.model.selectedMockPins(), GetParam().selected);
    EXPECT_EQ(panel.model.focusedField(), GetParam().focus);
}

using V = std::vector<std::string>;
using Pins = std::vector<int>;
using Selected = std::set<int>;
constexpr std::nullopt_t none = std::nullopt;
INSTANTIATE_TEST_SUITE_P(
    PinPicker, Clicks,
    ::testing::Values(
        ClickCase{"PinsFillTheFieldsInOrder", "MULTIO", Pins{4, 9, 12}, V{"4", "9", "12"},
                  Selected{4, 9, 12}, 2},
        // A selected pin: its field goes back to 0 and takes the focus, then the next pin.
        ClickCase{"SelectedPinLetsGo", "MULTIO", Pins{4, 9, 12, 2, 9}, V{"4", "0", "2"},
                  Selected{2, 4}, 1},
        ClickCase{"FocusTakesTheNextPin", "MULTIO", Pins{4, 9, 12, 2, 9, 6}, V{"4", "6", "2"},
                  Selected{2, 4, 6}, 2},
        ClickCase{"SinglePinOpcodeKeepsTheLast", "SETIN", Pins{5, 9}, V{"9"}, Selected{9}, 0},
        ClickCase{"ValueAfterThePinIsLeftAlone", "CLKST", Pins{7}, V{"7", "0"}, Selected{7}, 0},
        ClickCase{"ValuePinsTakeNoClicks", "SETPIN", Pins{3}, V{"0", "0"}, Selected{}, none},
        ClickCase{"PinListsTakeNoClicks", "PIN2ARR", Pins{3}, V{"0", "0", "0"}, Selected{}, none},
        ClickCase{"SideALastPin", "ALLDIR", Pins{7}, V{"64", "0"}, Selected{7}, 0},
        ClickCase{"SideBLastPin", "ALLDIR", Pins{14}, V{"0", "64"}, Selected{14}, 1},
        ClickCase{"FortyPinChipLastPin", "ALLDIR", Pins{40}, V{"0", "524288"}, Selected{40}, 1, 40},
        ClickCase{"SecondClickClearsTheSideBit", "ALLDIR", Pins{7, 7}, V{"0", "0"}, Selected{}, 0},
        ClickCase{"SideBitsAccumulate", "ALLEVEL", Pins{1, 3, 9}, V{"5", "2"}, Selected{1, 3, 9},
                  1},
        // Address pins are kept as bits, which the packed fields show in full.
        // Bits 0 to 4, then pin 7 moves from bit 2 to the lowest free bit above it, 5.
        ClickCase{"AddressPinsTakeFreeBits", "DEFADDR", Pins{3, 5, 7, 8, 9, 7},
                  V{"0", "0x08000503", "0x00000709"}, Selected{}, none},
        // Pin 4 steps up from bit 0, past pin 6's bit 1; the seventh step leaves bit 7.
        ClickCase{"RepeatedClicksStepUp", "DEF8", Pins{4, 6, 4, 4, 4},
                  V{"0", "0x00000600", "0x00000004"}, Selected{}, none},
        ClickCase{"RepeatedClicksRunOutOfBits", "DEF8", Pins{4, 6, 4, 4, 4, 4, 4, 4, 4},
                  V{"0", "0x00000600", "0x00000000"}, Selected{}, none},
        ClickCase{"NinthAddressPinGetsNoBit", "DEF8", Pins{1, 2, 3, 4, 5, 6, 7, 8, 9},
                  V{"0", "0x04030201", "0x08070605"}, Selected{}, none, 20},
        ClickCase{"BitSevenIsFreedByItsPin", "DEF8", Pins{1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 9},
                  V{"0", "0x04030201", "0x09070605"}, Selected{}, none, 20}),
    testing::PrintedName());

TEST(PinPicker, AFocusedFieldReceivesTheClickedPin) {
    Panel panel("MULTIHI");
    panel.model.setFocusedField(1);
    panel.click({3});
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"0", "3", "0"}));
    EXPECT_EQ(panel.model.focusedField(), 2);
    OpcodePanelModel nothingChosen;
    PinPicker picker(nothingChosen, 14);
    picker.handleMockPinClick(3);
    EXPECT_TRUE(nothingChosen.selectedMockPins().empty());
}

TEST(OpcodePanel, InsertNormalisesNumbersExceptForPackedAddressValues) {
    struct Case {
        const char* opcode;
        std::vector<std::string> values;
        const char* line;
    };
    const Case cases[] = {
        {"LOOP", {"0x10"}, "\nLOOP 16"},
        {"ENDLOOP", {}, "\nENDLOOP"},
        {"REGLOD", {"0b101", "#R3"}, "\nREGLOD 5 #R3"},
        {"DEFADDR", {"8", "0x00000503", "0x00000007"}, "\nDEFADDR 8 0x00000503 0x00000007"},
        {"ADD", {"1", "", "3"}, "\nADD 1 3"},
    };
    for (const auto& c : cases) {
        OpcodePanelModel model;
        model.chooseOpcode(*opcodeOption(c.opcode));
        for (std::size_t i = 0; i < c.values.size(); ++i)
            model.setArgValue(i, c.values[i]);
        EXPECT_EQ(model.insert(), std::optional<std::string>(c.line)) << c.opcode;
        EXPECT_FALSE(model.showOpcodePanel());
        EXPECT_FALSE(model.selectedOpcode());
        EXPECT_TRUE(model.opcodeArgValues().empty());
    }
    OpcodePanelModel nothing;
    EXPECT_FALSE(nothing.insert());
}

TEST(OpcodePanel, ChoosingFillsDefaultsAndBackForgetsEverything) {
    OpcodePanelModel model;
    model.chooseOpcode(*opcodeOption("call"));
    EXPECT_EQ(model.opcodeArgValues(), (std::vector<std::string>{"myFunc"}));
    EXPECT_TRUE(model.showOpcodePanel());

    model.chooseOpcode(*opcodeOption("DEFADDR"));
    model.setArgValue(0, "8");
    EXPECT_EQ(model.addressBase(), 8);
    model.setArgValue(0, "x");
    EXPECT_EQ(model.addressBase(), 0);
    model.setAddressPinBits({{3, 0}});
    model.setFocusedField(1);
    model.back();
    EXPECT_FALSE(model.showOpcodePanel());
    EXPECT_EQ(model.selectedOpcodeOption(), nullptr);
    EXPECT_TRUE(model.addressPinBits().empty());
    EXPECT_FALSE(model.focusedField());
}

} // namespace
} // namespace norix
