// File names made from chip names sent by the device.

#include "core/chips/ChipFileName.h"

#include "tests/support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace norix {
namespace {

TEST(ChipFileName, DeviceNamesBecomePlainFileNames) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"7400", "7400"},
        {"../../etc/passwd", "_.._etc_passwd"},
        {".hidden", "hidden"},
        {"...", "chip"},
        {"", "chip"},
        {"  \t ", "chip"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\x7F", "tab_here_"},
        {" . spaced . ", "spaced ."},
        {"6502 CPU", "6502 CPU"},
        {"Z\xC3\xBCrich", "Z\xC3\xBCrich"},
        {"bad\xFFutf8", "bad_utf8"},
        {std::string(98, 'x') + "\xC3\xA9\xC3\xA9", std::string(98, 'x') + "\xC3\xA9"}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(chipFileBaseName(name), expected) << name;
}

TEST(ChipFileName, PathsStayInTheFolderAndNeverRepeat) {
    const testing::TempFolder scratch;
    const auto& folder = scratch.path();
    std::ofstream(folder / "7400.chip") << "old";
    std::set<std::string> taken;
    EXPECT_EQ(chipFilePathIn(folder, "7400", taken, false), folder / "7400-2.chip");
    EXPECT_EQ(chipFilePathIn(folder, "7400", taken, false), folder / "7400-3.chip");
    EXPECT_EQ(chipFilePathIn(folder, "/7400", taken, false), folder / "_7400.chip");
    std::set<std::string> overwriting;
    EXPECT_EQ(chipFilePathIn(folder, "7400", overwriting, true), folder / "7400.chip");
    EXPECT_EQ(chipFilePathIn(folder, "7400", overwriting, true), folder / "7400-2.chip");
    for (const auto& path :
         {chipFilePathIn(folder, "../x", taken, false), chipFilePathIn(folder, "..", taken, false)})
        EXPECT_EQ(path.parent_path(), folder);
}

} // namespace
} // namespace norix
