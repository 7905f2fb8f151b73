// What the settings window shows and sends, against the simulated Norix: the
// default-font section for each way the slots can be filled, the toggles read
// in the device's encoding, and the bytes a change puts on the wire.

#include "core/settings/SettingsWindowModel.h"

#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/support/SimulatedNorix.h"

#include <map>

namespace norix::testing {
namespace {

class SettingsWindow : public ConversationFixture {
protected:
    void showWindow() {
        model.windowShown();
        ASSERT_TRUE(runUntil([this] { return !settings.isUpdatingSettings(); }));
        settle();
    }
    std::vector<std::int64_t> offeredSlots() const {
        std::vector<std::int64_t> slots;
        for (const auto& slot : model.availableFontSlots())
            slots.push_back(slot.slot());
        return slots;
    }

    SettingsWindowModel model{link, fonts, settings};
};

struct DefaultFontCase {
    const char* label;
    std::map<std::size_t, std::string> fonts;
    std::uint8_t defaultSlot;
    DefaultFontSection section;
    std::vector<std::int64_t> offered;
    std::int64_t selected;
    std::optional<std::string> current;
    friend void PrintTo(const DefaultFontCase& c, std::ostream* out) { *out << c.label; }
};

class DefaultFont : public SettingsWindow, public ::testing::WithParamInterface<DefaultFontCase> {};

TEST_P(DefaultFont, OffersOnlySlotsThatHoldAFont) {
    const auto& expected = GetParam();
    for (const auto& [slot, name] : expected.fonts)
        sim.simulator().memory().setFont(slot, sim::makeStoredFont(name, 5, 7, Bytes(5, 1)));
    sim.simulator().memory().setSettingByte(settingsFontNumberOffset, expected.defaultSlot);
    connect();
    showWindow();
    EXPECT_EQ(model.defaultFontSection(), expected.section);
    EXPECT_EQ(offeredSlots(), expected.offered);
    EXPECT_EQ(model.currentDefaultFontText(), expected.current);
    if (expected.section != DefaultFontSection::picker) {
        EXPECT_EQ(model.defaultFontMessage(), "No fonts are currently saved on Norix.");
        return;
    }
    EXPECT_EQ(model.selectedDefaultFont(), expected.selected);
    EXPECT_EQ(model.setDefaultFontEnabled(), expected.selected != expected.defaultSlot);

    // A slot that holds no font cannot be picked.
    model.selectDefaultFont(2);
    EXPECT_EQ(model.selectedDefaultFont(), expected.selected);

    // The first offered slot, not the default here, is sent and becomes the current one.
    const auto first = static_cast<std::uint8_t>(expected.offered.front());
    model.selectDefaultFont(first);
    EXPECT_TRUE(model.setDefaultFontEnabled());
    model.setDefaultFont();
    EXPECT_FALSE(model.settingsControlsEnabled()); // while the change is out
    ASSERT_TRUE(runUntil([this] { return !settings.isUpdatingSettings(); }));
    EXPECT_EQ(lastCommand().payload, (Bytes{settingsSetValue, settingFontNumber, first}));
    EXPECT_EQ(model.currentDefaultFontText(), "Current: " + expected.fonts.at(first));
    EXPECT_FALSE(model.setDefaultFontEnabled());
}

using enum DefaultFontSection;

const DefaultFontCase defaultFontCases[] = {
    {"NoFontsStored", {}, 0, noFonts, {}, 0, std::nullopt},
    {"DefaultSlotThreeFilled", {{1, "One"}, {3, "Three"}}, 3, picker, {1, 3}, 3, "Current: Three"},
    {"DefaultSlotEmpty", {{1, "One"}, {4, "Four"}}, 2, picker, {1, 4}, 1, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Slots, DefaultFont, ::testing::ValuesIn(defaultFontCases),
                         testing::PrintedName());

TEST_F(SettingsWindow, ShowingReadsFontsThenSettingsOnlyWhenConnected) {
    model.windowShown();
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(model.defaultFontSection(), DefaultFontSection::notConnected);
    EXPECT_EQ(model.defaultFontMessage(), "Connect to Norix to change the default font.");
    EXPECT_FALSE(model.settingsControlsEnabled());

    connect();
    showWindow();
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(commandsWithCode(cmdSendFontMeta).size(), 6u);
    EXPECT_EQ(commands.back().code, cmdSettings);
    EXPECT_TRUE(model.settingsControlsEnabled());
}

// One toggle: the record byte that switches it on, and how the window reads and sets it.
struct ToggleCase {
    const char* label;
    std::size_t offset;
    std::uint8_t onByte;
    bool (SettingsWindowModel::*reading)() const;
    void (SettingsWindowModel::*set)(bool);
    friend void PrintTo(const ToggleCase& c, std::ostream* out) { *out << c.label; }
};

class Toggle : public SettingsWindow, public ::testing::WithParamInterface<ToggleCase> {};

// The bytes each change sends are pinned down by the settings conversation's tests.
TEST_P(Toggle, ReadsTheDeviceEncodingAndSwitchesOff) {
    const auto& toggle = GetParam();
    sim.simulator().memory().setSettingByte(toggle.offset, toggle.onByte);
    connect();
    showWindow();
    EXPECT_TRUE((model.*toggle.reading)());
    (model.*toggle.set)(false);
    ASSERT_TRUE(runUntil([this] { return !settings.isUpdatingSettings(); }));
    EXPECT_FALSE((model.*toggle.reading)());
}

const ToggleCase toggles[] = {
    {"LogoByteZeroIsOn", 3, 0, &SettingsWindowModel::showLogo, &SettingsWindowModel::setShowLogo},
    {"LedByteZeroIsOn", 7, 0, &SettingsWindowModel::ledsOn, &SettingsWindowModel::setLEDsOn},
    {"AuxByteOneIsOn", 8, 1, &SettingsWindowModel::auxOn, &SettingsWindowModel::setAuxOn},
};

INSTANTIATE_TEST_SUITE_P(Encodings, Toggle, ::testing::ValuesIn(toggles), testing::PrintedName());

TEST_F(SettingsWindow, ARefusedChangeShowsTheLinkErrorAndFreesTheControls) {
    connect();
    showWindow();
    addFault(cmdSettings, 3, sim::FaultAction::fail); // after the reads of connect and show
    const int speedBefore = model.logoSpeed();
    model.setLogoSpeed(speedBefore == 2 ? 0 : 2);
    EXPECT_FALSE(model.settingsControlsEnabled());
    ASSERT_TRUE(runUntil([this] { return !settings.isUpdatingSettings(); }));
    EXPECT_EQ(model.settingsError(), "Norix rejected the selected setting.");
    EXPECT_EQ(model.logoSpeed(), speedBefore);
    EXPECT_TRUE(model.settingsControlsEnabled());
}

} // namespace
} // namespace norix::testing
