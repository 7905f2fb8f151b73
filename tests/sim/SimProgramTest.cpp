// The norix-sim program as a user runs it: it prints a port that can be opened
// and answers on it, keeps its memory in a storage folder across runs, and
// stops cleanly on SIGTERM. Also the memory file and the sample content.

#include "core/link/ProtocolCodes.h"
#include "sim/MemoryFile.h"
#include "sim/SampleContent.h"
#include "tests/support/SimulatedNorix.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <signal.h>
#include <sys/wait.h>

namespace norix::testing {
namespace {

// norix-sim as a child process, its standard output on a pipe. The shell that
// starts it prints its own process id, which the program keeps when it replaces it.
class SimProcess {
public:
    explicit SimProcess(const std::string& args)
        : output_(::popen(("echo $$; exec " NORIX_SIM_PROGRAM " " + args + " 2>/dev/null").c_str(),
                          "r")) {
        pid_ = std::stoi(firstLine());
    }
    ~SimProcess() { stop(); }

    std::string firstLine() {
        char line[256];
        if (!std::fgets(line, sizeof line, output_))
            return {};
        return std::string(line, std::strcspn(line, "\n"));
    }

    // Sends SIGTERM and returns the exit status (-1 when it did not exit normally).
    int stop() {
        if (!output_)
            return -1;
        ::kill(pid_, SIGTERM);
        const int status = ::pclose(std::exchange(output_, nullptr));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    FILE* output_;
    pid_t pid_ = -1;
};

// Opens the port as the application does, sends one command and waits for its answer.
SerialPacket askPort(const std::string& path, std::uint8_t code, const Bytes& payload = {}) {
    const ScopedDiagnosticSink quiet{[](std::string_view) {}};
    ManualEventLoop loop;
    SerialPortManager link(loop);
    std::vector<SerialPacket> answers;
    link.setRoute(lastRoute, [&](const SerialPacket& packet) {
        answers.push_back(packet);
        return true;
    });
    EXPECT_TRUE(link.connect(path));
    link.sendPacket(code, payload);
    loop.runUntil([&] { return !answers.empty(); });
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? SerialPacket{} : answers.front();
}

TEST(NorixSimProgram, KeepsItsMemoryInTheStorageFolderAcrossRuns) {
    const TempFolder folder;
    {
        SimProcess sim("--storage " + folder.string() + " --empty");
        const std::string path = sim.firstLine();
        ASSERT_EQ(askPort(path, cmdSettings, {1, 9, 33}).code, respSettings);
        EXPECT_EQ(sim.stop(), 0);
    }
    EXPECT_TRUE(std::filesystem::exists(folder / sim::memoryFileName));
    SimProcess again("--storage " + folder.string());
    const std::string path = again.firstLine();
    EXPECT_EQ(askPort(path, cmdSettings, {0}).payload.at(11), 33) << "the changed setting survived";
    EXPECT_EQ(askPort(path, cmdChipCount).payload, (Bytes{0, 0}))
        << "saved memory wins over the samples";
}

TEST(NorixSimProgram, RefusesABadFaultRule) {
    SimProcess sim("--fault 0xCB:explode");
    EXPECT_EQ(sim.firstLine(), "");
    EXPECT_EQ(sim.stop(), 2);
}

TEST(SampleContent, TheExamplesFillChipsAFontInSlot0AndAnImageInSlot1) {
    sim::NorixMemory memory;
    const sim::SampleContentReport report = sim::loadSampleContent(
        memory, std::filesystem::path(std::getenv("NORIX_SOURCE_DIR")) / "examples");
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    EXPECT_EQ(report.chips, memory.chips().size());
    EXPECT_GE(report.chips, 1u);
    ASSERT_TRUE(memory.font(0).has_value());
    EXPECT_EQ(memory.font(0)->data.size(),
              1u * memory.font(0)->width() * memory.font(0)->glyphCount());
    ASSERT_TRUE(memory.image(1).has_value());
    EXPECT_TRUE(sim::rleCoversImage(memory.image(1)->data, memory.image(1)->width(),
                                    memory.image(1)->height()));
    for (const auto& chip : memory.chips())
        EXPECT_EQ(chip.code.size(), chip.declaredCodeSize()) << chip.name();
}

TEST(SampleContent, UnreadableFilesAreReportedAndSkipped) {
    const TempFolder folder;
    std::ofstream(folder / "broken.chip") << "this is not a chip\n";
    std::ofstream(folder / "neither.txt") << "name=x\n";
    std::ofstream(folder / "notes.md") << "ignored\n";
    sim::NorixMemory memory;
    const sim::SampleContentReport report = sim::loadSampleContent(memory, folder);
    EXPECT_EQ(report.problems.size(), 2u);
    EXPECT_TRUE(memory.chips().empty());
}

TEST(MemoryFile, EveryItemSurvivesTheRoundTrip) {
    sim::NorixMemory memory;
    fillSampleMemory(memory);
    memory.setSettingByte(13, 77);
    const auto decoded = sim::decodeMemoryFile(sim::encodeMemoryFile(memory.snapshot()));
    ASSERT_TRUE(decoded.hasValue()) << decoded.error().message;
    EXPECT_EQ(decoded.value(), memory.snapshot());
}

struct BadMemoryFile {
    const char* name;
    std::string text;
    friend void PrintTo(const BadMemoryFile& c, std::ostream* os) { *os << c.name; }
};

class BadMemoryFileTest : public ::testing::TestWithParam<BadMemoryFile> {};

TEST_P(BadMemoryFileTest, IsRefusedWithAReason) {
    const auto decoded = sim::decodeMemoryFile(GetParam().text);
    ASSERT_FALSE(decoded.hasValue());
    EXPECT_FALSE(decoded.error().message.empty());
}

const std::string header = "norix-sim-memory 1\n";
const std::string metadata128 = std::string(256, '0');

INSTANTIATE_TEST_SUITE_P(
    Texts, BadMemoryFileTest,
    ::testing::Values(BadMemoryFile{"empty", ""}, BadMemoryFile{"otherHeader", "hello\n"},
                      BadMemoryFile{"shortSettings", header + "settings 0102\n"},
                      BadMemoryFile{"oddHex", header + "settings 0101080001000000000A2832686\n"},
                      BadMemoryFile{"unknownItem", header + "gadget 1 00\n"},
                      BadMemoryFile{"chipWithoutStrings", header + "chip " + metadata128 + " -\n"},
                      BadMemoryFile{"fontSlot6", header + "font 6 " + metadata128 + " 01\n"},
                      BadMemoryFile{"imageSlot0", header + "image 0 " + metadata128 + " 010000\n"},
                      BadMemoryFile{"imageWithoutData", header + "image 1 " + metadata128 + " -\n"},
                      BadMemoryFile{"fontShortMetadata", header + "font 1 00 01\n"},
                      BadMemoryFile{"notHex",
                                    header + "font 1 " + std::string(256, 'x') + " 01\n"}),
    testing::PrintedName());

} // namespace
} // namespace norix::testing
