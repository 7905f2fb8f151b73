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

// Every catalogue entry is an instruction; all but SEVSEG have a word of their
// own, and every option and argument a row identity of its own.
TEST(OpcodeCatalogue, EntriesAreConsistentWithTheWordsAndEachOther) {
    std::set<std::string, std::less<>> catalogue;
    std::set<std::uint64_t> identities;
    std::size_t rows = 0;
    for (const auto& [category, options] : opcodeOptions())
        for (const auto& option : options) {
            catalogue.insert(option.opcode);
            identities.insert(option.id);
            rows += 1 + option.args.size();
            EXPECT_LE(option.args.size(), 3u) << option.opcode;
            for (const auto& arg : option.args) {
                identities.insert(arg.id);
                const std::string expected = arg.type == OpcodeArgType::text ? "myFunc" : "0";
                EXPECT_EQ(arg.placeholder, expected) << option.opcode;
                EXPECT_EQ(arg.defaultValue, expected) << option.opcode;
            }
            EXPECT_EQ(norixOpcodeWord(option.opcode).has_value(), option.opcode != "SEVSEG");
        }
    EXPECT_EQ(identities.size(), rows);
    EXPECT_EQ(executableOpcodes(), catalogue);
    std::set<std::uint32_t> words;
    for (const auto& [mnemonic, word] : norixOpcodeWords()) {
        EXPECT_TRUE(catalogue.contains(mnemonic)) << mnemonic;
        EXPECT_LT(word, 0x100u) << mnemonic;
        words.insert(word);
    }
    EXPECT_EQ(words.size(), norixOpcodeWords().size());
}

} // namespace
} // namespace norix
