// Where a program finds the samples its simulated Norix starts with: beside an
// installed program, else in the source tree it was built from.

#include "sim/SampleContent.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace norix {
namespace {

namespace fs = std::filesystem;

class SampleFolder : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(prefix / "bin"); }

    static bool sameFolder(const fs::path& a, const fs::path& b) {
        std::error_code error;
        return fs::equivalent(a, b, error);
    }

    testing::TempFolder scratch;
    const fs::path prefix = scratch.path();
    const fs::path sourceExamples = fs::path(std::getenv("NORIX_SOURCE_DIR")) / "examples";
};

TEST_F(SampleFolder, AnInstalledProgramReadsTheSamplesInstalledBesideIt) {
    fs::create_directories(prefix / "share/norixgui/examples");
    EXPECT_EQ(sim::examplesDirectoryFor(prefix / "bin/norix"), prefix / "share/norixgui/examples");
}

TEST_F(SampleFolder, WithoutInstalledSamplesTheSourceTreeIsRead) {
    // A file where the folder belongs is no folder of samples.
    fs::create_directories(prefix / "share/norixgui");
    { std::ofstream(prefix / "share/norixgui/examples") << "x"; }
    EXPECT_TRUE(sameFolder(sim::examplesDirectoryFor(prefix / "bin/norix"), sourceExamples));
    EXPECT_TRUE(sameFolder(sim::examplesDirectoryFor({}), sourceExamples));
    // This test program runs from the build folder.
    EXPECT_TRUE(sameFolder(sim::defaultExamplesDirectory(), sourceExamples));
}

} // namespace
} // namespace norix
