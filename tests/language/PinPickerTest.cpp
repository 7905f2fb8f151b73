#include "core/language/PinPicker.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace norix {
namespace {

struct Panel {
    explicit Panel(const std::string& opcode, int pinCount = 14) : picker(model, pinCount) {
        const OpcodeOption* option = opcodeOption(opcode);
        EXPECT_NE(option, nullptr) << opcode;
        if (option)
            model.chooseOpcode(*option);
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
// Address pins are kept as bits, which the packed fields show in full.
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
constexpr std::nullopt_t none = std::nullopt;
INSTANTIATE_TEST_SUITE_P(
    PinPicker, Clicks,
    ::testing::Values(
        ClickCase{
            "PinsFillTheFieldsInOrder", "MULTIO", {4, 9, 12}, V{"4", "9", "12"}, {4, 9, 12}, 2},
        ClickCase{
            "LastFieldIsOverwritten", "MULTIO", {4, 9, 12, 2}, V{"4", "9", "2"}, {2, 4, 9}, 2},
        // A selected pin: its field goes back to 0 and takes the focus, then the next pin.
        ClickCase{"SelectedPinLetsGo", "MULTIO", {4, 9, 12, 2, 9}, V{"4", "0", "2"}, {2, 4}, 1},
        ClickCase{
            "FocusTakesTheNextPin", "MULTIO", {4, 9, 12, 2, 9, 6}, V{"4", "6", "2"}, {2, 4, 6}, 2},
        ClickCase{"SinglePinOpcodeKeepsTheLast", "SETIN", {5, 9}, V{"9"}, {9}, 0},
        ClickCase{"ValueAfterThePinIsLeftAlone", "CLKST", {7}, V{"7", "0"}, {7}, 0},
        ClickCase{"SetPinTakesNoPins", "SETPIN", {3}, V{"0", "0"}, {}, none},
        ClickCase{"ReadPinTakesNoPins", "RDPIN", {3}, V{"0", "0"}, {}, none},
        ClickCase{"PinsToArrayTakesNoPins", "PIN2ARR", {3}, V{"0", "0", "0"}, {}, none},
        ClickCase{"SideAFirstPin", "ALLDIR", {1}, V{"1", "0"}, {1}, 0},
        ClickCase{"SideALastPin", "ALLDIR", {7}, V{"64", "0"}, {7}, 0},
        ClickCase{"SideBFirstPin", "ALLDIR", {8}, V{"0", "1"}, {8}, 1},
        ClickCase{"SideBLastPin", "ALLDIR", {14}, V{"0", "64"}, {14}, 1},
        ClickCase{"TwoPinChipSideA", "ALLDIR", {1}, V{"1", "0"}, {1}, 0, 2},
        ClickCase{"TwoPinChipSideB", "ALLDIR", {2}, V{"0", "1"}, {2}, 1, 2},
        ClickCase{"FortyPinChipLastPin", "ALLDIR", {40}, V{"0", "524288"}, {40}, 1, 40},
        ClickCase{"SecondClickClearsTheSideBit", "ALLDIR", {7, 7}, V{"0", "0"}, {}, 0},
        ClickCase{"SideBitsAccumulate", "ALLEVEL", {1, 3, 9}, V{"5", "2"}, {1, 3, 9}, 1},
        // Bits 0 to 4, then pin 7 moves from bit 2 to the lowest free bit above it, 5.
        ClickCase{"AddressPinsTakeFreeBits",
                  "DEFADDR",
                  {3, 5, 7, 8, 9, 7},
                  V{"0", "0x08000503", "0x00000709"},
                  {},
                  none},
        ClickCase{"NinthAddressPinGetsNoBit",
                  "DEF8",
                  {1, 2, 3, 4, 5, 6, 7, 8, 9},
                  V{"0", "0x04030201", "0x08070605"},
                  {},
                  none,
                  20},
        ClickCase{"BitSevenIsFreedByItsPin",
                  "DEF8",
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 9},
                  V{"0", "0x04030201", "0x09070605"},
                  {},
                  none,
                  20}),
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

TEST(PinPicker, BitsZeroOneAndFourGiveTheDocumentedPackedValues) {
    Panel panel("DEF8");
    panel.model.setAddressPinBits({{3, 0}, {5, 1}, {7, 4}});
    panel.picker.rebuildAddressPinLists();
    EXPECT_EQ(panel.values()[1], "0x00000503");
    EXPECT_EQ(panel.values()[2], "0x00000007");
}

TEST(PinPicker, RepeatedClicksStepThroughTheFreeHigherBits) {
    Panel panel("DEF8");
    panel.click({4, 6}); // 4 -> bit 0, 6 -> bit 1
    std::vector<int> seen;
    for (int i = 0; i < 7; ++i) {
        panel.click({4});
        auto found = panel.model.addressPinBits().find(4);
        seen.push_back(found == panel.model.addressPinBits().end() ? -1 : found->second);
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6, 7, -1}));
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
        {"SETPIN", {" 0x1F ", "1"}, "\nSETPIN 31 1"},
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
    EXPECT_EQ(model.selectedOpcodeCategory(), "Control Flow");
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
