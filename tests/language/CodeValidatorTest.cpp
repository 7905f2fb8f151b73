#include "core/language/CodeValidator.h"

#include "core/language/CodeCompiler.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

namespace norix {
namespace {

using testing::RecordingTerminal;

struct ProgramCase {
    std::string name;
    std::string code;
    std::string entry; // the one terminal entry
    friend void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }
};

class ValidatedPrograms : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ValidatedPrograms, WriteOneTerminalEntry) {
    RecordingTerminal terminal;
    const bool clean = validateCode(GetParam().code, 16, terminal.sink());
    EXPECT_EQ(terminal.entries, std::vector<std::string>{GetParam().entry});
    EXPECT_EQ(clean, GetParam().entry == "No errors.");
}

INSTANTIATE_TEST_SUITE_P(
    Validator, ValidatedPrograms,
    ::testing::Values(
        ProgramCase{"Empty", "", "No errors."},
        ProgramCase{"OnlyComments", "// a\n/* b\n * c\n */", "No errors."},
        ProgramCase{"DuplicateDimOnlyWritesTheDimLine", "DIM A 1\nDIM a 2\nBOGUS",
                    "Compile error on source line 2: DIM name 'a' is defined more than once."},
        ProgramCase{"TrailingCommentBecomesTokens", "SETOUT 3 // drive",
                    "Line 1: SETOUT expects 1 argument, but found 3."},
        ProgramCase{"CommentMarkersSkipTheWholeLine", "* SETOUT 99\n/* SETOUT 99 */ SETOUT 98",
                    "No errors."},
        ProgramCase{"InsideABlockCommentIsCode", "/* start\nstill code\n*/",
                    "Line 1: Unknown opcode 'STILL'."},
        ProgramCase{"MisspeltOpcodeCarriesTheNextNumber",
                    "SETOUT 1\nDIM X 2\nSETOUT 2\nsetoot 3\nSEVSEG 1 2 3\nSETOUT 99",
                    "Line 3: Unknown opcode 'SETOOT'.\nLine 4: Pin 99 exceeds the valid range of 1 "
                    "through 16."},
        ProgramCase{"DimNamesAreNotPinsOrSlots", "DIM P 3\nSETIN P\nREGINC P\nLOOP P",
                    "Line 1: Pin 'P' is not a valid pin number.\n"
                    "Line 2: Register slot 'P' must be between 0 and 31."},
        ProgramCase{"PinZero", "SETIN 0", "Line 1: Pin 0 exceeds the valid range of 1 through 16."},
        ProgramCase{"NegativeAndHexPins", "SETIN -3\nSETIN 0x10\nSETIN 0b10001",
                    "Line 1: Pin -3 exceeds the valid range of 1 through 16.\n"
                    "Line 3: Pin 17 exceeds the valid range of 1 through 16."},
        ProgramCase{"UnknownValue", "LOOP #R32",
                    "Line 1: Unknown value '#R32'. Expected a number, #Rn, or DIM variable."},
        ProgramCase{"DuplicateFunctionInAnyCase", "FUNC Blink\nENDFUNC\nFUNC BLINK",
                    "Instruction 3: Function 'BLINK' is already defined at instruction 1."},
        ProgramCase{"FuncWithoutName", "SETOUT 1\nFUNC",
                    "Instruction 2: FUNC requires exactly one function name.\n"
                    "Line 2: FUNC expects 1 argument, but found 0."},
        ProgramCase{"LongFunctionNameIsStillEntered", "FUNC abcdefghijklm\nCALL ABCDEFGHIJKLM",
                    "Instruction 1: Function 'abcdefghijklm' exceeds the 12-character limit."},
        ProgramCase{"UndefinedCallAfterLineMessages", "CALL nowhere 1\nCALL nowhere",
                    "Line 1: CALL expects 1 argument, but found 2.\n"
                    "Instruction 2: CALL references undefined function 'nowhere'."},
        ProgramCase{"FirstPassMessagesComeFirst", "SETOUT 99\nFUNC a\nFUNC A",
                    "Instruction 3: Function 'A' is already defined at instruction 2.\n"
                    "Line 1: Pin 99 exceeds the valid range of 1 through 16."},
        ProgramCase{"CrLfIsTwoBreaksButCountsInstructionsOnly", "SETOUT 1\r\nSETOUT 0",
                    "Line 2: Pin 0 exceeds the valid range of 1 through 16."}),
    testing::PrintedName());

struct PackedCase {
    std::string name;
    std::vector<std::string_view> arguments;
    std::string opcode;
    std::vector<std::string> messages;
    std::set<int> invalid;
    friend void PrintTo(const PackedCase& c, std::ostream* os) { *os << c.name; }
};

class PackedAddresses : public ::testing::TestWithParam<PackedCase> {};

TEST_P(PackedAddresses, ReportMessagesAndInvalidPositions) {
    const auto result = packedAddressValidation(GetParam().arguments, GetParam().opcode, 7, 16);
    EXPECT_EQ(result.messages, GetParam().messages);
    EXPECT_EQ(result.invalidArgumentIndexes, GetParam().invalid);
}

INSTANTIATE_TEST_SUITE_P(
    Validator, PackedAddresses,
    ::testing::Values(
        PackedCase{"Good", {"0", "0x0102", "0x0304"}, "DEFADDR", {}, {}},
        PackedCase{"NotAnAddressOpcode", {"0", "1", "2"}, "PIN2ARR", {}, {}},
        PackedCase{"TooFewArguments", {"0", "1"}, "DEF8", {}, {}},
        PackedCase{"MissingPrefix",
                   {"0", "0102", "0x03"},
                   "DEF8",
                   {"Line 7: DEF8 packed pin values must begin with 0x."},
                   {1}},
        PackedCase{"FiveBytes",
                   {"0", "0x0102030405", "0x06"},
                   "DEFADDR",
                   {"Line 7: '0x0102030405' is not a valid packed hexadecimal pin value. Each "
                    "packed value may contain at most 4 pin bytes."},
                   {1}},
        PackedCase{"LeadingZeroBytesAreHarmless", {"0", "0x0000000B", "0x0C"}, "DEF8", {}, {}},
        PackedCase{"ZeroByteBelowAPin",
                   {"0", "0x0B00", "0x0C"},
                   "DEF8",
                   {"Line 7: DEF8 packed pin values cannot contain an unused 00 byte between "
                    "defined pins."},
                   {1}},
        PackedCase{"PinAboveCount",
                   {"0", "0x11", "0x01"},
                   "DEF8",
                   {"Line 7: Address pin 17 exceeds the chip pin count of 16."},
                   {1}},
        PackedCase{"BaseTooHigh",
                   {"28", "0x01020304", "0x0506"},
                   "DEFADDR",
                   {"Line 7: DEFADDR starting at address bit 28 with 6 pins exceeds the 32-bit "
                    "address limit."},
                   {0, 1, 2}},
        PackedCase{"HugeBaseDoesNotOverflow",
                   {"0x7FFFFFFFFFFFFFFF", "0x01", "0x02"},
                   "DEFADDR",
                   {"Line 7: DEFADDR starting at address bit 9223372036854775807 with 2 pins "
                    "exceeds the 32-bit address limit."},
                   {0, 1, 2}},
        PackedCase{"EightPinsAreAccepted", {"24", "0x01020304", "0x05060708"}, "DEFADDR", {}, {}},
        PackedCase{"EightPinsInDef8", {"0", "0x01020304", "0x05060708"}, "DEF8", {}, {}},
        PackedCase{"DuplicatesInAscendingOrder",
                   {"0", "0x0305", "0x0503"},
                   "DEF8",
                   {"Line 7: Address pin 3 is used more than once.",
                    "Line 7: Address pin 5 is used more than once."},
                   {1, 2}},
        PackedCase{"DuplicateWithinOneValue",
                   {"0", "0x0404", "0x01"},
                   "DEF8",
                   {"Line 7: Address pin 4 is used more than once."},
                   {1}}),
    testing::PrintedName());

TEST(ValidationErrors, CommentAndBlankLinesHaveNone) {
    for (const char* line : {"", "   ", "// SETOUT 99", "/* x", " * y", "\t"})
        EXPECT_TRUE(validationErrors(line, 1, {}, 14).empty()) << line;
    EXPECT_EQ(validationErrors("  sevseg 1 2 3", 4, {}, 14), std::vector<std::string>{});
    EXPECT_EQ(validationErrors("DEFADDR 0 0x0B00 0x0C", 2, {}, 14),
              std::vector<std::string>{"Line 2: DEFADDR packed pin values cannot contain an "
                                       "unused 00 byte between defined pins."});
}

TEST(PinAndRegisterNumbers, ReadPlainNumbersOnly) {
    EXPECT_EQ(pinNumber(" 12 "), 12);
    EXPECT_EQ(pinNumber("0x1F"), 31);
    EXPECT_EQ(pinNumber("0B11"), 3);
    EXPECT_EQ(pinNumber("-4"), -4);
    EXPECT_EQ(registerSlotNumber("#R3"), std::nullopt);
    EXPECT_EQ(registerSlotNumber("LIMIT"), std::nullopt);
    EXPECT_EQ(registerSlotNumber("99999999999999999999"), std::nullopt);
}

TEST(ValidateCode, LargeProgramsWithManyErrorsStayLinear) {
    std::string program;
    for (int i = 0; i < 100000; ++i)
        program += "SETOUT 99\n";
    RecordingTerminal terminal;
    EXPECT_FALSE(validateCode(program, 14, terminal.sink()));
    ASSERT_EQ(terminal.entries.size(), 1u);
    EXPECT_EQ(std::count(terminal.entries[0].begin(), terminal.entries[0].end(), '\n'), 99999);
}

} // namespace
} // namespace norix
