#include "core/chips/ChipFileCodec.h"
#include "core/util/AtomicFile.h"
#include "tests/support/TestSupport.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace norix {
namespace {

namespace fs = std::filesystem;

class ChipFileSave : public ::testing::Test {
protected:
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    testing::TempFolder scratch;
    const fs::path& folder = scratch.path();
};

TEST_F(ChipFileSave, KeepsThePermissionsOfTheFileItReplaces) {
    const auto path = folder / "mode.chip";
    ASSERT_FALSE(ChipFileCodec::save(ChipDocument("A"), path));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_FALSE(ChipFileCodec::save(ChipDocument("B"), path));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(ChipFileCodec::load(path)->name, "B");
    EXPECT_EQ(entries(), 1u) << "no temporary file is left";
}

TEST_F(ChipFileSave, SavingThroughASymbolicLinkKeepsTheLink) {
    const auto target = folder / "real.chip";
    const auto link = folder / "link.chip";
    ASSERT_FALSE(ChipFileCodec::save(ChipDocument("A"), target));
    fs::create_symlink("real.chip", link);
    ASSERT_FALSE(ChipFileCodec::save(ChipDocument("B"), link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ChipFileCodec::load(target)->name, "B");
}

TEST_F(ChipFileSave, ReadingStopsAtTheSizeLimit) {
    const auto path = folder / "big.chip";
    ASSERT_FALSE(writeFileAtomically(path, std::string(1000, 'x')));
    EXPECT_EQ(readWholeFile(path, 999).error().message(), "File too large");
    EXPECT_EQ(readWholeFile(path, 1000)->size(), 1000u);
    // A device that never ends is cut off instead of filling the memory.
    EXPECT_EQ(readWholeFile("/dev/zero", 1 << 20).error().code, EFBIG);
}

TEST_F(ChipFileSave, DirectoryInPlaceOfTheFileSurvivesAndNoTemporaryIsLeft) {
    const auto target = folder / "taken.chip";
    fs::create_directories(target / "inside");
    const auto error = ChipFileCodec::save(ChipDocument("A"), target);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), std::string(std::strerror(error->code)));
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(entries(), 1u);
}

// A write that runs out of room half-way (here: the process's file size limit,
// which also binds root) must leave the old file exactly as it was.
TEST_F(ChipFileSave, FailedWriteLeavesTheOldFileUntouched) {
    const auto path = folder / "old.chip";
    const ChipDocument old("Old");
    ASSERT_FALSE(ChipFileCodec::save(old, path));
    const std::string before = ChipFileCodec::encode(old);

    ChipDocument big("Big");
    big.code = std::string(64 * 1024, 'x');
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto error = ChipFileCodec::save(big, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, EFBIG);
    EXPECT_EQ(*readWholeFile(path), before);
    EXPECT_EQ(entries(), 1u);
}

} // namespace
} // namespace norix
