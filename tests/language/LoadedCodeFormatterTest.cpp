#include "core/language/LoadedCodeFormatter.h"

#include "core/language/CodeCompiler.h"
#include "core/language/OpcodeCatalogue.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <set>

namespace norix {
namespace {

using testing::concat;
using testing::hexBytes;
using testing::instruction;

using LoadedCase = testing::NamedCase<Bytes>;

class LoadedImages : public ::testing::TestWithParam<LoadedCase> {};

TEST_P(LoadedImages, BecomeSourceText) {
    EXPECT_EQ(formatLoadedNorixCode(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Decompiler, LoadedImages,
    ::testing::Values(
        LoadedCase{"Empty", {}, ""},
        // A register reference keeps the low thirty bits; bit 30 makes a plain word.
        LoadedCase{"RegisterWords",
                   concat({instruction(0x18, 0x80000003u, 0xC0000003u, 0x80000000u),
                           instruction(0x10, 0xBFFFFFFFu)}),
                   "WHILE #R3 0xC0000003 #R0\nLOOP #R1073741823"},
        LoadedCase{"UnknownWords",
                   concat({instruction(0x04, 1, 2, 3), instruction(0x1C1, 0, 0xABCDEF, 0)}),
                   "UNKNOWN_0x00000004 0x1 0x2 0x3\nUNKNOWN_0x000001C1 0x0 0xABCDEF 0x0"},
        LoadedCase{"ExtraWordsAreNotShown", instruction(0x01, 7, 1, 0xDEAD), "SETPIN 0x7 0x1"},
        LoadedCase{
            "CallsByName",
            concat({instruction(0x09, 1), instruction(0xC1, 0x4E494C42u, 0x4B), instruction(0x11),
                    instruction(0xC2), instruction(0xC3, 2), instruction(0xC3, 9)}),
            "SETOUT 0x1\nFUNC BLINK\nENDLOOP\nENDFUNC\nCALL BLINK\nCALL 0x9"},
        LoadedCase{"NamelessFunctionStaysNumeric",
                   concat({instruction(0xC1), instruction(0xC3, 1)}), "FUNC\nCALL 0x1"},
        // Twelve bytes need no terminator; a name ends at its first zero and may be UTF-8.
        LoadedCase{"FunctionNames",
                   hexBytes("C1 00 00 00 41 42 43 44 45 46 47 48 49 4A 4B 4C "
                            "C1 00 00 00 41 00 43 00 00 00 00 00 00 00 00 00 "
                            "C1 00 00 00 C3 84 00 00 00 00 00 00 00 00 00 00"),
                   "FUNC ABCDEFGHIJKL\nFUNC A\nFUNC Ä"},
        LoadedCase{"MalformedNameIsEmpty",
                   concat({hexBytes("C1 00 00 00 41 FF 00 00 00 00 00 00 00 00 00 00"),
                           instruction(0xC3, 1)}),
                   "FUNC\nCALL 0x1"},
        LoadedCase{"PartialWordReadsAsZero", hexBytes("02 00 00 00 05 00"), "SETIN 0x0"}),
    testing::PrintedName());

TEST(OpcodeCatalogue, LookUpByNameIgnoresCaseAndKnowsNoDim) {
    EXPECT_EQ(opcodeOption("sEtPiN"), opcodeOption("SETPIN"));
    for (const char* name : {"SETPINX", "", "DIM"})
        EXPECT_EQ(opcodeOption(name), nullptr) << name;
}

// Every catalogue entry is an instruction, and all but SEVSEG have a word to
// compile to; the round trip through the decompiler checks the words.
TEST(OpcodeCatalogue, EveryEntryButSevsegHasAWord) {
    std::set<std::string, std::less<>> catalogue;
    for (const auto& [category, options] : opcodeOptions())
        for (const auto& option : options) {
            catalogue.insert(option.opcode);
            EXPECT_EQ(norixOpcodeWord(option.opcode).has_value(), option.opcode != "SEVSEG");
        }
    EXPECT_EQ(executableOpcodes(), catalogue);
}

// Every instruction word, with a register where a value may be one and a CALL
// before its FUNC, compiles and decompiles back to the same text.
TEST(RoundTrip, EveryOpcodeWithAWordSurvives) {
    std::string source;
    for (const auto& [mnemonic, word] : norixOpcodeWords()) {
        source += (source.empty() ? "" : "\n") + mnemonic;
        if (mnemonic == "FUNC" || mnemonic == "CALL") {
            source += " F1";
            continue;
        }
        for (const auto& arg : opcodeOption(mnemonic)->args)
            source += arg.type == OpcodeArgType::addressGroup ? " 0x18"
                      : arg.type == OpcodeArgType::value      ? " #R3"
                                                              : " 0x3";
    }
    const auto image = compileChipCode(source, 14, nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(formatLoadedNorixCode(*image), source);
}

} // namespace
} // namespace norix
