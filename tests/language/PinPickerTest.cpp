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
    void click(std::initializer_list<int> pins) {
        for (int pin : pins)
            picker.handleMockPinClick(pin);
    }
    const std::vector<std::string>& values() const { return model.opcodeArgValues(); }

    OpcodePanelModel model;
    PinPicker picker;
};

TEST(PinPicker, SeveralPinsFillTheFieldsInOrderAndTheLastOneIsOverwritten) {
    Panel panel("MULTIO");
    panel.click({4, 9, 12});
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"4", "9", "12"}));
    EXPECT_EQ(panel.model.focusedField(), 2);
    EXPECT_EQ(panel.model.selectedMockPins(), (std::set<int>{4, 9, 12}));

    panel.click({2});
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"4", "9", "2"}));
    EXPECT_EQ(panel.model.selectedMockPins(), (std::set<int>{2, 4, 9}));

    panel.click({9}); // a selected pin: its field goes back to 0 and takes the focus
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"4", "0", "2"}));
    EXPECT_EQ(panel.model.focusedField(), 1);
    EXPECT_EQ(panel.model.selectedMockPins(), (std::set<int>{2, 4}));

    panel.click({6}); // fills the focused field
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"4", "6", "2"}));
    EXPECT_EQ(panel.model.focusedField(), 2);
}

TEST(PinPicker, AFocusedFieldReceivesTheClickedPin) {
    Panel panel("MULTIHI");
    panel.model.setFocusedField(1);
    panel.click({3});
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"0", "3", "0"}));
    EXPECT_EQ(panel.model.focusedField(), 2);
}

TEST(PinPicker, ASinglePinOpcodeKeepsOnlyTheLastPin) {
    Panel panel("SETIN");
    panel.click({5, 9});
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"9"}));
    EXPECT_EQ(panel.model.selectedMockPins(), (std::set<int>{9}));
    EXPECT_EQ(panel.model.focusedField(), 0);

    Panel clock("CLKST"); // pin first, then a value the picker leaves alone
    clock.click({7});
    EXPECT_EQ(clock.values(), (std::vector<std::string>{"7", "0"}));
}

TEST(PinPicker, OpcodesWithoutPinArgumentsIgnoreClicks) {
    for (const char* opcode : {"SETPIN", "RDPIN", "PIN2ARR"}) {
        Panel panel(opcode);
        const auto before = panel.values();
        panel.click({3});
        EXPECT_EQ(panel.values(), before) << opcode;
        EXPECT_TRUE(panel.model.selectedMockPins().empty()) << opcode;
    }
    OpcodePanelModel nothingChosen;
    PinPicker picker(nothingChosen, 14);
    picker.handleMockPinClick(3);
    EXPECT_TRUE(nothingChosen.selectedMockPins().empty());
}

struct SideCase {
    int pinCount;
    int pin;
    std::vector<std::string> values;
    int focus;
    friend void PrintTo(const SideCase& c, std::ostream* os) {
        *os << c.pinCount << "pins_pin" << c.pin;
    }
};

class SideBitfield : public ::testing::TestWithParam<SideCase> {};

TEST_P(SideBitfield, PinsMapToBitsOfTheirSide) {
    const auto& c = GetParam();
    Panel panel("ALLDIR", c.pinCount);
    panel.click({c.pin});
    EXPECT_EQ(panel.values(), c.values);
    EXPECT_EQ(panel.model.focusedField(), c.focus);
    EXPECT_EQ(panel.model.selectedMockPins(), (std::set<int>{c.pin}));
    panel.click({c.pin}); // a second click clears the bit again
    EXPECT_EQ(panel.values()[static_cast<std::size_t>(c.focus)], "0");
    EXPECT_TRUE(panel.model.selectedMockPins().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SideBitfield,
    ::testing::Values(SideCase{14, 1, {"1", "0"}, 0}, SideCase{14, 7, {"64", "0"}, 0},
                      SideCase{14, 8, {"0", "1"}, 1}, SideCase{14, 14, {"0", "64"}, 1},
                      SideCase{2, 1, {"1", "0"}, 0}, SideCase{2, 2, {"0", "1"}, 1},
                      SideCase{40, 40, {"0", "524288"}, 1}),
    testing::PrintedName());

TEST(PinPicker, SideBitsAccumulate) {
    Panel panel("ALLEVEL");
    panel.click({1, 3, 9});
    EXPECT_EQ(panel.values(), (std::vector<std::string>{"5", "2"}));
}

TEST(PinPicker, AddressPinsTakeTheLowestFreeBitsAndPackIntoTwoValues) {
    Panel panel("DEFADDR");
    EXPECT_TRUE(panel.picker.isAddressPinMode());
    panel.click({3, 5, 7, 8, 9}); // bits 0, 1, 2, 3, 4
    panel.click({7});             // bit 2 -> 5 (the lowest free above 2)
    EXPECT_EQ(panel.model.addressPinBits(),
              (std::map<int, int>{{3, 0}, {5, 1}, {7, 5}, {8, 3}, {9, 4}}));
    EXPECT_EQ(panel.values()[1], "0x08000503");
    EXPECT_EQ(panel.values()[2], "0x00000709");
}

TEST(PinPicker, BitsZeroOneAndFourGiveTheDocumentedPackedValues) {
    Panel panel("DEF8");
    panel.model.setAddressPinBits({{3, 0}, {5, 1}, {7, 4}});
    panel.picker.rebuildAddressPinLists();
    EXPECT_EQ(panel.values()[1], "0x00000503");
    EXPECT_EQ(panel.values()[2], "0x00000007");
}

TEST(PinPicker, NinthAddressPinGetsNoBitAndBitSevenIsReleasedByItsNextClick) {
    Panel panel("DEF8", 20);
    panel.click({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(panel.model.addressPinBits().size(), 8u);
    EXPECT_FALSE(panel.model.addressPinBits().contains(9));
    EXPECT_EQ(panel.model.addressPinBits().at(8), 7);
    panel.click({8});
    EXPECT_FALSE(panel.model.addressPinBits().contains(8));
    EXPECT_EQ(panel.values()[2], "0x00070605");
    panel.click({9}); // bit 7 is free again
    EXPECT_EQ(panel.model.addressPinBits().at(9), 7);
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

TEST(PinPicker, PackFourPinsKeepsTheLowByteOfEachPin) {
    EXPECT_EQ(PinPicker::packFourPins({0, 0, 0, 0}), "0x00000000");
    EXPECT_EQ(PinPicker::packFourPins({1, 2, 3, 40}), "0x28030201");
    EXPECT_EQ(PinPicker::packFourPins({0x1FF, 0, 0, 0}), "0x000000FF");
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
