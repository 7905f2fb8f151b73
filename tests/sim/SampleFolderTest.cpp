// Where a program finds the samples its simulated Norix starts with: beside an
// installed program, else in the source tree it was built from.

#include "sim/SampleContent.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace norix {
namespace {

namespace fs = std::filesystem;

TEST(SampleFolder, AnInstalledProgramReadsTheSamplesBesideItOthersTheSourceTree) {
    const testing::TempFolder prefix;
    const fs::path sourceExamples = fs::path(std::getenv("NORIX_SOURCE_DIR")) / "examples";
    std::error_code error;
    // A file where the folder belongs is no folder of samples.
    fs::create_directories(prefix / "share/norixgui");
    { std::ofstream(prefix / "share/norixgui/examples") << "x"; }
    EXPECT_TRUE(
        fs::equivalent(sim::examplesDirectoryFor(prefix / "bin/norix"), sourceExamples, error));
    EXPECT_TRUE(fs::equivalent(sim::examplesDirectoryFor({}), sourceExamples, error));
    // This test program runs from the build folder.
    EXPECT_TRUE(fs::equivalent(sim::defaultExamplesDirectory(), sourceExamples, error));

    fs::remove(prefix / "share/norixgui/examples");
    fs::create_directories(prefix / "share/norixgui/examples");
    EXPECT_EQ(sim::examplesDirectoryFor(prefix / "bin/norix"), prefix / "share/norixgui/examples");
}

} // namespace
} // namespace norix
