// Chip files handed to the app by its command line or a file manager.

#include "gui/app/ChipFilesPanel.h"
#include "tests/gui/GuiTestSupport.h"

#include <QListWidget>
#include <gtest/gtest.h>

namespace norix {
namespace {

const std::filesystem::path chips = std::filesystem::path(NORIX_SOURCE_DIR) / "examples/chips";

TEST(OpenChipFiles, AddsEveryFileAndLoadsTheFirst) {
    test::WindowFixture f;
    f.window->show();
    f.window->openChipFiles({chips / "6116.chip", chips / "7400.chip"});
    EXPECT_EQ(f.window->chipFiles()->list()->count(), 2);
    EXPECT_EQ(f.session.editor().chipName(), "6116");
    EXPECT_EQ(f.session.editor().currentFileURL(), chips / "6116.chip");
    EXPECT_FALSE(f.window->isWindowModified());
    EXPECT_TRUE(f.window->windowTitle().startsWith(QStringLiteral("6116.chip")));
}

TEST(OpenChipFiles, AsksBeforeReplacingUnsavedWorkAndKeepsItWhenCancelled) {
    test::WindowFixture f;
    f.window->show();
    int asked = 0;
    f.window->dialogs().askAboutUnsavedChanges = [&asked] {
        ++asked;
        return UnsavedChoice::cancel;
    };
    f.session.editor().setChipName("mine");
    f.window->openChipFiles({chips / "7400.chip"});
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.session.editor().chipName(), "mine");
    EXPECT_EQ(f.window->chipFiles()->list()->count(), 1); // added all the same
}

} // namespace
} // namespace norix
