#include "core/language/OpcodeCatalogue.h"

#include <gtest/gtest.h>
#include <set>

namespace norix {
namespace {

TEST(OpcodeCatalogue, LookUpByNameIgnoresCaseAndKnowsNoDim) {
    for (const char* name : {"SETPIN", "setpin", "sEtPiN"}) {
        ASSERT_NE(opcodeOption(name), nullptr) << name;
        EXPECT_EQ(opcodeOption(name)->opcode, "SETPIN");
    }
    for (const char* name : {"SETPINX", "", "DIM"})
        EXPECT_EQ(opcodeOption(name), nullptr) << name;
    EXPECT_EQ(norixOpcodeWord("setpin"), std::nullopt);
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

} // namespace
} // namespace norix
