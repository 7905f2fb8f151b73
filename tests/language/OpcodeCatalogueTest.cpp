#include "core/language/OpcodeCatalogue.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <set>

namespace norix {
namespace {

TEST(OpcodeCatalogue, LookUpByNameIgnoresCase) {
    for (const char* name : {"SETPIN", "setpin", "SetPin", "sEtPiN"}) {
        const OpcodeOption* option = opcodeOption(name);
        ASSERT_NE(option, nullptr) << name;
        EXPECT_EQ(option->opcode, "SETPIN");
    }
    ASSERT_NE(opcodeOption("sevseg"), nullptr);
    EXPECT_EQ(opcodeOption("SEVSEG")->description, "Show pseudo 7 segment display");
    EXPECT_EQ(opcodeOption("SETPINX"), nullptr);
    EXPECT_EQ(opcodeOption(""), nullptr);
    EXPECT_EQ(opcodeOption("DIM"), nullptr);
}

TEST(OpcodeCatalogue, InstructionWordsAreExactAndSevsegHasNone) {
    EXPECT_EQ(norixOpcodeWords().size(), 76u);
    EXPECT_EQ(norixOpcodeWord("SETPIN"), 0x01u);
    EXPECT_EQ(norixOpcodeWord("setpin"), std::nullopt);
    EXPECT_EQ(norixOpcodeWord("SEVSEG"), std::nullopt);
    EXPECT_EQ(mnemonicForWord(0x04), std::nullopt);
    EXPECT_EQ(mnemonicForWord(0x101), std::nullopt);
    std::set<std::uint32_t> distinct;
    for (const auto& [mnemonic, word] : norixOpcodeWords()) {
        EXPECT_LT(word, 0x100u);
        distinct.insert(word);
    }
    EXPECT_EQ(distinct.size(), 76u);
}

TEST(OpcodeCatalogue, ExecutableOpcodesAreExactlyTheCatalogue) {
    std::set<std::string, std::less<>> catalogue;
    for (const auto& [category, options] : opcodeOptions()) {
        for (const auto& option : options)
            catalogue.insert(option.opcode);
    }
    EXPECT_EQ(catalogue.size(), 77u);
    EXPECT_EQ(executableOpcodes(), catalogue);
    EXPECT_TRUE(isExecutableOpcode("SEVSEG"));
    EXPECT_FALSE(isExecutableOpcode("sevseg"));
    EXPECT_FALSE(isExecutableOpcode("DIM"));
}

TEST(OpcodeCatalogue, PinPickerIsOfferedForExactlyThePinOpcodes) {
    std::set<std::string> withPicker;
    for (const auto& [category, options] : opcodeOptions()) {
        for (const auto& option : options) {
            EXPECT_LE(option.args.size(), 3u) << option.opcode;
            if (option.uiType == OpcodeUIType::mockChip)
                withPicker.insert(option.opcode);
        }
    }
    EXPECT_EQ(withPicker,
              (std::set<std::string>{"SETPIN", "RDPIN", "SETIN", "SETOUT", "MULTIO", "MULTII",
                                     "MULTIHI", "MULTILO", "ALLDIR", "ALLEVEL", "PHIZ", "TOGPIN",
                                     "DEFADDR", "PIN2ARR", "DEF8", "CLKST"}));
}

struct ArgumentRow {
    std::string opcode;
    std::vector<std::pair<std::string, OpcodeArgType>> args;
    friend void PrintTo(const ArgumentRow& c, std::ostream* os) { *os << c.opcode; }
};

class IrregularArguments : public ::testing::TestWithParam<ArgumentRow> {};

TEST_P(IrregularArguments, KeepTheirLabelsAndTypes) {
    const OpcodeOption* option = opcodeOption(GetParam().opcode);
    ASSERT_NE(option, nullptr);
    ASSERT_EQ(option->args.size(), GetParam().args.size());
    for (std::size_t i = 0; i < option->args.size(); ++i) {
        EXPECT_EQ(option->args[i].name, GetParam().args[i].first);
        EXPECT_EQ(option->args[i].type, GetParam().args[i].second) << option->args[i].name;
    }
}

using T = OpcodeArgType;
INSTANTIATE_TEST_SUITE_P(
    Catalogue, IrregularArguments,
    ::testing::Values(
        ArgumentRow{"SETPIN", {{"Pin Num", T::value}, {"Level", T::value}}},
        ArgumentRow{"RDPIN", {{"Pin Num", T::value}, {"Output Reg", T::value}}},
        ArgumentRow{"GETADDR", {{"Num Bits", T::value}, {"Output Reg", T::registerSlot}}},
        ArgumentRow{"DOUNTIL", {}},
        ArgumentRow{"ENDUNTIL",
                    {{"Operator", T::value}, {"Value1", T::value}, {"Value2", T::value}}},
        ArgumentRow{
            "XOR",
            {{"Left value", T::value}, {"Right Value", T::value}, {"Output Reg", T::registerSlot}}},
        ArgumentRow{
            "AND",
            {{"Left Value", T::value}, {"Right Value", T::value}, {"Output Reg", T::registerSlot}}},
        ArgumentRow{
            "DEFADDR",
            {{"Base", T::addressGroup}, {"Low Bytes", T::pinList}, {"Hi Bytes", T::pinList}}},
        ArgumentRow{
            "DEF8",
            {{"Index", T::addressIndex}, {"Low Bytes", T::pinList}, {"High Bytes", T::pinList}}},
        ArgumentRow{"ALLDIR", {{"Side A", T::sideBitfield}, {"Side B", T::sideBitfield}}},
        ArgumentRow{"TOGPIN", {{"Pin Num", T::pin}, {"Low->Hi?", T::value}}},
        ArgumentRow{"SEVSEG",
                    {{"Number", T::value}, {"Pos X,Y", T::value}, {"Size/Color", T::value}}},
        ArgumentRow{"CALL", {{"Function Name", T::text}}}),
    testing::PrintedName());

TEST(OpcodeCatalogue, DefaultsArePlaceholderZeroExceptFunctionNames) {
    std::set<std::uint64_t> identities;
    for (const auto& [category, options] : opcodeOptions()) {
        for (const auto& option : options) {
            identities.insert(option.id);
            for (const auto& arg : option.args) {
                identities.insert(arg.id);
                const std::string expected = arg.type == T::text ? "myFunc" : "0";
                EXPECT_EQ(arg.placeholder, expected) << option.opcode;
                EXPECT_EQ(arg.defaultValue, expected) << option.opcode;
            }
        }
    }
    EXPECT_EQ(identities.size(), 77u + 129u) << "every option and argument has its own identity";
}

TEST(OpcodeCatalogue, ChoiceListsForAddressAndRegisterMenus) {
    ASSERT_EQ(addressGroups().size(), 4u);
    EXPECT_EQ(addressGroups()[1].value, 8u);
    EXPECT_EQ(addressGroups()[1].name, "Address 9-16");
    EXPECT_EQ(addressGroups()[3].name, "Address 25-32");
    ASSERT_EQ(addressIndexes().size(), 32u);
    EXPECT_EQ(addressIndexes().front(), 0);
    EXPECT_EQ(addressIndexes().back(), 31);
    EXPECT_EQ(registerOptions(), addressIndexes());
}

} // namespace
} // namespace norix
