#include "core/language/CodeValidator.h"

#include "core/language/SourceText.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

namespace norix {
namespace {

using testing::RecordingTerminal;

using ProgramCase = testing::NamedCase<std::string>; // the one terminal entry

class ValidatedPrograms : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ValidatedPrograms, WriteOneTerminalEntry) {
    RecordingTerminal terminal;
    const bool clean = validateCode(GetParam().input, 16, terminal.sink());
    EXPECT_EQ(terminal.entries, std::vector<std::string>{GetParam().expected});
    EXPECT_EQ(clean, GetParam().expected == "No errors.");
}

INSTANTIATE_TEST_SUITE_P(
    Validator, ValidatedPrograms,
    ::testing::Values(
        ProgramCase{"DuplicateDimOnlyWritesTheDimLine", "DIM A 1\nDIM a 2\nBOGUS",
                    "Compile error on source line 2: DIM name 'a' is defined more than once."},
        ProgramCase{"TrailingCommentBecomesTokens", "SETOUT 3 // drive",
                    "Line 1: SETOUT expects 1 argument, but found 3."},
        ProgramCase{"CommentMarkersSkipTheWholeLine",
                    "// a\n/* b\n * c\n */\n* SETOUT 99\n/* SETOUT 99 */ SETOUT 98", "No errors."},
        ProgramCase{"InsideABlockCommentIsCode", "/* start\nstill code\n*/",
                    "Line 1: Unknown opcode 'STILL'."},
        ProgramCase{"MisspeltOpcodeCarriesTheNextNumber",
                    "SETOUT 1\nDIM X 2\nSETOUT 2\nsetoot 3\nSEVSEG 1 2 3\nSETOUT 99",
                    "Line 3: Unknown opcode 'SETOOT'.\nLine 4: Pin 99 exceeds the valid range of 1 "
                    "through 16."},
        ProgramCase{"DimNamesAndRegistersAreNotPinsOrSlots",
                    "DIM P 3\nSETIN P\nREGINC P\nLOOP P\nREGINC #R3",
                    "Line 1: Pin 'P' is not a valid pin number.\n"
                    "Line 2: Register slot 'P' must be between 0 and 31.\n"
                    "Line 4: Register slot '#R3' must be between 0 and 31."},
        ProgramCase{"ZeroNegativeHexAndBinaryPins", "SETIN 0\nSETIN -3\nSETIN 0x11\nSETIN 0b1111",
                    "Line 1: Pin 0 exceeds the valid range of 1 through 16.\n"
                    "Line 2: Pin -3 exceeds the valid range of 1 through 16.\n"
                    "Line 3: Pin 17 exceeds the valid range of 1 through 16."},
        ProgramCase{"UnknownValue", "LOOP #R32",
                    "Line 1: Unknown value '#R32'. Expected a number, #Rn, or DIM variable."},
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
        ProgramCase{"PackedPinValues", "DEFADDR 0 0x0B00 0x0C",
                    "Line 1: DEFADDR packed pin values cannot contain an unused 00 byte between "
                    "defined pins."},
        ProgramCase{"CrLfIsTwoBreaksButCountsInstructionsOnly", "SETOUT 1\r\nSETOUT 0",
                    "Line 2: Pin 0 exceeds the valid range of 1 through 16."}),
    testing::PrintedName());

// The opcode and its arguments as one line, and the argument positions to mark.
struct PackedCase {
    std::string name;
    std::string line;
    std::set<int> invalid;
    std::vector<std::string> messages;
    friend void PrintTo(const PackedCase& c, std::ostream* os) { *os << c.name; }
};

class PackedAddresses : public ::testing::TestWithParam<PackedCase> {};

TEST_P(PackedAddresses, ReportMessagesAndInvalidPositions) {
    const auto tokens = splitSourceTokens(GetParam().line);
    const auto result = packedAddressValidation(std::span(tokens).subspan(1), tokens[0], 7, 16);
    EXPECT_EQ(result.messages, GetParam().messages);
    EXPECT_EQ(result.invalidArgumentIndexes, GetParam().invalid);
}

using Positions = std::set<int>;
using Messages = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Validator, PackedAddresses,
    ::testing::Values(
        PackedCase{"NotAnAddressOpcode", "PIN2ARR 0 1 2", Positions{}, Messages{}},
        PackedCase{"TooFewArguments", "DEF8 0 1", Positions{}, Messages{}},
        PackedCase{"MissingPrefix", "DEF8 0 0102 0x03", Positions{1},
                   Messages{"Line 7: DEF8 packed pin values must begin with 0x."}},
        PackedCase{"FiveBytes", "DEFADDR 0 0x0102030405 0x06", Positions{1},
                   Messages{"Line 7: '0x0102030405' is not a valid packed hexadecimal pin value. "
                            "Each packed value may contain at most 4 pin bytes."}},
        PackedCase{"LeadingZeroBytesAreHarmless", "DEF8 0 0x0000000B 0x0C", Positions{},
                   Messages{}},
        PackedCase{"ZeroByteBelowAPin", "DEF8 0 0x0B00 0x0C", Positions{1},
                   Messages{"Line 7: DEF8 packed pin values cannot contain an unused 00 byte "
                            "between defined pins."}},
        PackedCase{"PinAboveCount", "DEF8 0 0x11 0x01", Positions{1},
                   Messages{"Line 7: Address pin 17 exceeds the chip pin count of 16."}},
        PackedCase{"BaseTooHigh", "DEFADDR 28 0x01020304 0x0506", Positions{0, 1, 2},
                   Messages{"Line 7: DEFADDR starting at address bit 28 with 6 pins exceeds the "
                            "32-bit address limit."}},
        PackedCase{"HugeBaseDoesNotOverflow", "DEFADDR 0x7FFFFFFFFFFFFFFF 0x01 0x02",
                   Positions{0, 1, 2},
                   Messages{"Line 7: DEFADDR starting at address bit 9223372036854775807 with 2 "
                            "pins exceeds the 32-bit address limit."}},
        PackedCase{"EightPinsAreAccepted", "DEFADDR 24 0x01020304 0x05060708", Positions{},
                   Messages{}},
        // DEF8's first argument is an index, not a base: no address limit.
        PackedCase{"EightPinsInDef8", "DEF8 31 0x01020304 0x05060708", Positions{}, Messages{}},
        PackedCase{"DuplicatesInAscendingOrder", "DEF8 0 0x0305 0x0503", Positions{1, 2},
                   Messages{"Line 7: Address pin 3 is used more than once.",
                            "Line 7: Address pin 5 is used more than once."}},
        PackedCase{"DuplicateWithinOneValue", "DEF8 0 0x0404 0x01", Positions{1},
                   Messages{"Line 7: Address pin 4 is used more than once."}}),
    testing::PrintedName());

} // namespace
} // namespace norix
