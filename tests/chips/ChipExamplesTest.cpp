#include "core/chips/ChipFileCodec.h"
#include "core/language/CodeCompiler.h"
#include "core/language/CodeValidator.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace norix {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> exampleChipFiles() {
    const char* source = std::getenv("NORIX_SOURCE_DIR");
    std::vector<fs::path> files;
    if (source == nullptr)
        return files;
    for (const auto& entry : fs::directory_iterator(fs::path(source) / "examples" / "chips"))
        if (entry.path().extension() == ".chip")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ChipExamples, ReadBackAsSensibleChipsAndAreWrittenInTheSavedLayout) {
    const auto files = exampleChipFiles();
    ASSERT_GE(files.size(), 3u) << "NORIX_SOURCE_DIR must point at the source tree";
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const auto chip = ChipFileCodec::load(path);
        ASSERT_TRUE(chip) << chip.error().message();
        EXPECT_FALSE(chip->name.empty());
        EXPECT_GE(chip->pinCount, 2);
        EXPECT_LE(chip->pinCount, 40);
        EXPECT_EQ(chip->pinCount % 2, 0);
        EXPECT_LT(static_cast<std::size_t>(chip->chipType), chipTypeLabels.size());
        EXPECT_LT(static_cast<std::size_t>(chip->imageIndex), packagePictureLabels.size());
        EXPECT_FALSE(chip->code.empty());
        // Saving an example changes nothing: they are kept in the written layout.
        EXPECT_EQ(ChipFileCodec::encode(*chip), *readWholeFile(path));

        // The test programs are real: the validator finds nothing and they compile.
        std::vector<std::string> entries;
        const TerminalSink terminal = [&](const std::string& entry) { entries.push_back(entry); };
        const int pins = static_cast<int>(chip->pinCount);
        EXPECT_TRUE(validateCode(chip->code, pins, terminal));
        EXPECT_EQ(entries, std::vector<std::string>{"No errors."});
        const auto image = compileChipCode(chip->code, pins, terminal);
        ASSERT_TRUE(image) << entries.back();
        EXPECT_FALSE(image->empty());
    }
}

} // namespace
} // namespace norix
