#include "core/language/CodeCompiler.h"

#include "tests/language/LanguageTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

namespace norix {
namespace {

using testing::concat;
using testing::hexBytes;
using testing::instruction;
using testing::RecordingTerminal;

// Every case compiles for a 16-pin chip.
using ImageCase = testing::NamedCase<std::string, Bytes>;

class CompiledImages : public ::testing::TestWithParam<ImageCase> {};

TEST_P(CompiledImages, AreByteExact) {
    RecordingTerminal terminal;
    const auto image = compileChipCode(GetParam().input, 16, terminal.sink());
    ASSERT_TRUE(image) << (terminal.entries.empty() ? "" : terminal.entries.front());
    EXPECT_EQ(*image, GetParam().expected);
    EXPECT_TRUE(terminal.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Compiler, CompiledImages,
    ::testing::Values(
        ImageCase{"SetIn", "SETIN 5", hexBytes("02 00 00 00 05 00 00 00 00 00 00 00 00 00 00 00")},
        ImageCase{"FunctionNameOfTwelveBytes", "FUNC abcdefghijkl",
                  hexBytes("C1 00 00 00 41 42 43 44 45 46 47 48 49 4A 4B 4C")},
        ImageCase{"ValuePinMayExceedThePinCount", "SETPIN 17 1", instruction(0x01, 17, 1)},
        ImageCase{"NumberFormats", "WHILE 0x1f 0b11 4294967295",
                  instruction(0x18, 31, 3, 0xFFFFFFFFu)},
        ImageCase{
            "DimResolvesWithItsKind",
            "DIM base 16\nDIM r #R7\nDEFADDR BASE 0x0102 0x0304\nADD r 1 2",
            concat({instruction(0x22, 16, 0x0102, 0x0304), instruction(0x44, 0x80000007u, 1, 2)})},
        ImageCase{"CallBeforeAndAfterItsFunction",
                  "CALL blink\nSETOUT 1\nFUNC Blink\nENDFUNC\ncall BLINK",
                  concat({instruction(0xC3, 3), instruction(0x09, 1),
                          hexBytes("C1 00 00 00 42 4C 49 4E 4B 00 00 00 00 00 00 00"),
                          instruction(0xC2), instruction(0xC3, 3)})},
        ImageCase{"ExtraFuncTokensAreIgnored", "FUNC A B C\nCALL A extra",
                  concat({instruction(0xC1, 0x41), instruction(0xC3, 1)})},
        ImageCase{"InstructionNumbersSkipNonInstructions",
                  "DIM X 1\nSETOUT 2\nSEVSEG 1 2 3\nFUNC F\nbogus 1\n// CALL F\nCALL F",
                  concat({instruction(0x09, 2), instruction(0xC1, 0x46), instruction(0xC3, 2)})},
        ImageCase{"OnlyCommentsDimsAndBlanks", "// x\n\nDIM A 1\n/* SETOUT 1 */", Bytes{}},
        // A NUL glued to the opcode makes it an unknown word, which is left out.
        ImageCase{"NulMakesAnUnknownWord", std::string("SETOUT\0 1\nSETOUT 2", 18),
                  instruction(0x09, 2)},
        ImageCase{
            "EveryArgumentKind", "DEF8 31 0xFF 0x1\nALLDIR 0xFFFF 0\nGETADDR #R1 31\nCLKST 16 #R3",
            concat({instruction(0x2B, 31, 0xFF, 1), instruction(0x0E, 0xFFFF, 0),
                    instruction(0x27, 0x80000001u, 31), instruction(0x1D, 16, 0x80000003u)})}),
    testing::PrintedName());

using ErrorCase = testing::NamedCase<std::string>;

class CompileErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CompileErrors, StopWithExactlyOneMessage) {
    RecordingTerminal terminal;
    EXPECT_EQ(compileChipCode(GetParam().input, 16, terminal.sink()), std::nullopt);
    EXPECT_EQ(terminal.entries, std::vector<std::string>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Compiler, CompileErrors,
    ::testing::Values(
        ErrorCase{"DimRegisterAsRegisterSlot", "DIM r #R2\nSETOUT 1\nREGINC r",
                  "Compile error at instruction 2: 'r' represents #Rn, but Reg Num requires a "
                  "literal register number from 0 through 31."},
        ErrorCase{"RegisterSlotTooLarge", "GETADDR 8 0x20",
                  "Compile error at instruction 1: '0x20' resolves to 32, but Output Reg must be "
                  "from 0 through 31."},
        // Thirteen bytes in seven characters: the limit counts bytes.
        ErrorCase{"FunctionNameTooLongInBytes", "FUNC AÄÄÄÄÄÄ",
                  "Compile error: Function 'AÄÄÄÄÄÄ' exceeds the 12-character limit."},
        ErrorCase{"FunctionDefinedTwice", "FUNC blink\nENDFUNC\nFUNC BLINK",
                  "Compile error: Function 'BLINK' is defined more than once at instructions 1 "
                  "and 3."},
        ErrorCase{"FunctionWithoutNameBeforeLaterArgumentErrors", "SETOUT 99\nFUNC // name",
                  "Compile error: FUNC at instruction 2 is missing a function name."},
        ErrorCase{"CallWithoutName", "CALL",
                  "Compile error at instruction 1: CALL requires a function name."},
        ErrorCase{"CallUndefined", "SETOUT 1\nCALL Missing",
                  "Compile error at instruction 2: CALL references undefined function 'Missing'."},
        ErrorCase{
            "PinZero", "SETIN 0",
            "Compile error at instruction 1: Pin 0 is outside the valid range of 1 through 16."},
        ErrorCase{
            "PinAboveCount", "SETIN 17",
            "Compile error at instruction 1: Pin 17 is outside the valid range of 1 through 16."},
        ErrorCase{"PinRegister", "MULTIO 1 2 #R3",
                  "Compile error at instruction 1: '#R3' represents #Rn, but Pin 3 requires a "
                  "literal pin number."},
        ErrorCase{"AddressGroup", "DEFADDR 4 0x0102 0x0304",
                  "Compile error at instruction 1: Base must be 0, 8, 16, or 24."},
        ErrorCase{"AddressGroupRegister", "DEFADDR #R0 0x0102 0x0304",
                  "Compile error at instruction 1: Base requires a literal address group."},
        ErrorCase{"PinListRegister", "PIN2ARR 0 #R1 0",
                  "Compile error at instruction 1: Lower 4 requires a literal packed pin value."},
        ErrorCase{"SideBitfieldRegister", "ALLEVEL 0 #R1",
                  "Compile error at instruction 1: Side B requires a literal bitfield."},
        ErrorCase{
            "AddressIndexTooLarge", "DEF8 32 0x1 0x2",
            "Compile error at instruction 1: Index must be a literal index from 0 through 31."},
        ErrorCase{"NotANumber", "LOOP ten",
                  "Compile error at instruction 1: 'ten' is not a valid number, #Rn reference, or "
                  "DIM name."},
        ErrorCase{"SingularArgument", "loop",
                  "Compile error at instruction 1: LOOP expects 1 argument, but found 0."},
        ErrorCase{"NoArguments", "ENDLOOP 1",
                  "Compile error at instruction 1: ENDLOOP expects 0 arguments, but found 1."},
        ErrorCase{"DimErrorFirst", "SETIN 99\nDIM 9 1",
                  "Compile error on source line 2: '9' is not a valid DIM name."}),
    testing::PrintedName());

} // namespace
} // namespace norix
