// The settings conversation against the simulated Norix: the record it reads,
// the bytes each change sends, the texts it shows, and its refusals.

#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/support/SimulatedNorix.h"

#include <gmock/gmock.h>

namespace norix::testing {
namespace {

class Settings : public ConversationFixture {
protected:
    void SetUp() override {
        ConversationFixture::SetUp();
        sim.simulator().memory().setFont(1, sim::makeStoredFont("One", 8, 8, Bytes(8, 1)));
        sim.simulator().memory().setFont(4, sim::makeStoredFont("Four", 8, 8, Bytes(8, 1)));
    }
    void finish() {
        ASSERT_TRUE(runUntil([this] { return !settings.isUpdatingSettings(); }));
    }
};

TEST(NorixSettingsRecord, DecodesTheFourteenBytesInWireOrder) {
    const Bytes wire{0x01, 0x02, 0x03, 0x04, 0x01, 0x05, 0x06, 0x01,
                     0x00, 0x02, 0x0A, 0x28, 0x32, 0x64, 0xEE};
    const NorixSettings expected{true, 2, 3, 4, 1, 5, 6, true, false, 2, 10, 40, 50, 100};
    EXPECT_EQ(decodeNorixSettings(wire), expected);
    EXPECT_FALSE(decodeNorixSettings(Bytes(wire.begin(), wire.begin() + 13)));
}

// One change operation: what it sends and what it says meanwhile.
struct Change {
    std::function<void(SettingsConversation&)> call;
    Bytes payload;
    std::string status;
    friend void PrintTo(const Change& c, std::ostream* out) { *out << c.status; }
};

class SettingChange : public Settings, public ::testing::WithParamInterface<Change> {};

TEST_P(SettingChange, SendsItsIdAndValueAndReadsTheAnswer) {
    connect();
    GetParam().call(settings);
    EXPECT_EQ(settings.settingsStatus(), GetParam().status);
    EXPECT_TRUE(settings.isUpdatingSettings());
    finish();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].code, cmdSettings);
    EXPECT_EQ(commands[0].payload, GetParam().payload);
    EXPECT_EQ(settings.norixSettings(), decodeNorixSettings(sim.simulator().memory().settings()));
    EXPECT_EQ(settings.settingsStatus(), GetParam().payload[1] == settingFontNumber
                                             ? "Default font set to slot 4."
                                             : "Norix settings updated.");
}

const Change changes[] = {
    {[](auto& s) { s.setShowLogo(true); }, {1, 2, 0}, "Enabling the startup logo\u2026"},
    {[](auto& s) { s.setShowLogo(false); }, {1, 2, 1}, "Disabling the startup logo\u2026"},
    {[](auto& s) { s.setLogoSpeed(0); }, {1, 3, 0}, "Setting logo speed to slow\u2026"},
    {[](auto& s) { s.setLogoSpeed(1); }, {1, 3, 1}, "Setting logo speed to medium\u2026"},
    {[](auto& s) { s.setLogoSpeed(2); }, {1, 3, 2}, "Setting logo speed to fast\u2026"},
    {[](auto& s) { s.setLEDsOn(true); }, {1, 5, 0}, "Turning the LEDs on\u2026"},
    {[](auto& s) { s.setLEDsOn(false); }, {1, 5, 1}, "Turning the LEDs off\u2026"},
    {[](auto& s) { s.setAuxOn(true); }, {1, 6, 1}, "Turning AUX on\u2026"},
    {[](auto& s) { s.setAuxOn(false); }, {1, 6, 0}, "Turning AUX off\u2026"},
    {[](auto& s) { s.setDefaultFont(4); }, {1, 7, 4}, "Setting default font to slot 4\u2026"},
    {[](auto& s) { s.setSetting(settingContrast, 9, "Contrast"); }, {1, 1, 9}, "Contrast"},
};

INSTANTIATE_TEST_SUITE_P(Operations, SettingChange, ::testing::ValuesIn(changes),
                         testing::PrintedName());

TEST_F(Settings, RefusalsSendNothing) {
    settings.setAuxOn(true);
    EXPECT_EQ(settings.settingsError(), "Norix is not connected.");
    connect();
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { settings.setLogoSpeed(3); }, "The selected logo speed is invalid."},
        {[&] { settings.setLogoSpeed(-1); }, "The selected logo speed is invalid."},
        {[&] { settings.setDefaultFont(6); }, "The selected font slot is invalid."},
        {[&] { settings.setDefaultFont(-1); }, "The selected font slot is invalid."},
        {[&] { settings.setDefaultFont(2); }, "The selected font slot is empty."},
    };
    for (const auto& [call, message] : cases) {
        call();
        EXPECT_EQ(settings.settingsError(), message);
    }
    EXPECT_TRUE(commands.empty());
}

TEST_F(Settings, OneChangeAtATimeUntilItsAnswerOrADisconnect) {
    connect();
    settings.setAuxOn(true);
    settings.setLEDsOn(true);
    EXPECT_EQ(settings.settingsError(), "Another setting is still being updated.");
    finish();
    EXPECT_EQ(commandsWithCode(cmdSettings).size(), 1u);

    // An unanswered change has no time-out: it blocks the next one until the link goes.
    addFault(cmdSettings, std::nullopt, sim::FaultAction::drop);
    settings.setAuxOn(false);
    advance(Milliseconds(60000));
    settings.setAuxOn(true);
    EXPECT_EQ(settings.settingsError(), "Another setting is still being updated.");
    link.disconnect();
    EXPECT_FALSE(settings.isUpdatingSettings());
    EXPECT_EQ(settings.settingsStatus(), "");
    EXPECT_FALSE(settings.settingsError());
    EXPECT_EQ(settings.norixSettings(), NorixSettings{});
}

TEST_F(Settings, ConnectReadsTheRecordAndARetryRepeatsWithANewSequence) {
    addFault(cmdSettings, 1, sim::FaultAction::retry);
    addFault(cmdSettings, 3, sim::FaultAction::retry);
    ASSERT_TRUE(link.connect(sim.slavePath()));
    EXPECT_EQ(settings.settingsStatus(), "Loading Norix settings\u2026");
    finish();
    settle();
    auto sent = commandsWithCode(cmdSettings);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].payload, Bytes{settingsGetAll});

    std::vector<std::string> statuses;
    Connection watch =
        settings.changed.connect([&] { statuses.push_back(settings.settingsStatus()); });
    settings.setAuxOn(true);
    finish();
    EXPECT_THAT(statuses, ::testing::Contains("Retrying settings update\u2026"));
    sent = commandsWithCode(cmdSettings);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3].payload, (Bytes{1, 6, 1}));
    EXPECT_NE(sent[3].sequence, sent[2].sequence);
    EXPECT_EQ(settings.settingsStatus(), "Norix settings updated.");
}

TEST_F(Settings, FailuresAndBadRecords) {
    // The Norix's own answers are lost; these stand in for them. A refusal ("fail")
    // is covered by the settings window's tests.
    connect();
    addFault(cmdSettings, std::nullopt, sim::FaultAction::drop);
    const NorixSettings before = settings.norixSettings();
    settings.setAuxOn(true);
    settle();
    inject({respBadSize, lastCommand().sequence, {}});
    EXPECT_EQ(settings.settingsError(), "Norix rejected the settings packet size.");
    EXPECT_EQ(settings.settingsStatus(), "");
    settings.setAuxOn(true);
    settle();
    // An acknowledgement is claimed but ends nothing; a short record does.
    inject({respAck, lastCommand().sequence, {}});
    EXPECT_TRUE(settings.isUpdatingSettings());
    inject({respSettings, lastCommand().sequence, Bytes(13, 1)});
    EXPECT_FALSE(settings.isUpdatingSettings());
    EXPECT_EQ(settings.settingsError(), "Norix returned an invalid settings response.");
    EXPECT_EQ(settings.norixSettings(), before);
    EXPECT_TRUE(unclaimed.empty());

    // A record nobody asked for is taken all the same.
    Bytes record(14, 0);
    record[8] = 1;
    inject({respSettings, 99, record});
    EXPECT_TRUE(settings.norixSettings().auxOn);
    EXPECT_EQ(settings.settingsStatus(), "Norix settings loaded.");
}

} // namespace
} // namespace norix::testing
