// Every device command of norix against norix-sim, with each fault at the first and at a
// middle step of its conversation. A failure ends with status 1 and its reason on standard
// error within --timeout, leaving no half-written file; a fault the conversation absorbs (a
// retry, a hang-up after the last answer) ends with status 0.

#include "tests/cli/CliRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <thread>

namespace norix {
namespace {

namespace fs = std::filesystem;
using clitest::readFile;

const fs::path examples = fs::path(NORIX_SOURCE_ROOT) / "examples";
constexpr double timeoutSeconds = 1.0;
// Starting both programs and tearing down a lost link take a moment.
constexpr double slackSeconds = 1.5;
const std::string silenceLine = "Norix did not answer within 1 s.";

// Each fault as norix-sim spells it, and as the case names spell it.
using Fault = std::pair<std::string, std::string>;
const std::vector<Fault> faults = {{"drop", "Silence"},
                                   {"crc", "BadCrc"},
                                   {"fail", "Fail"},
                                   {"badsize", "BadSize"},
                                   {"hangup-before", "HangUpBefore"},
                                   {"hangup-after", "HangUpAfter"},
                                   {"retry", "Retry"}};

struct Step {
    std::string command;
    std::string args; // the sample files lie one folder up
    std::string rule; // CODE:N of the command the fault hits
    std::string name;
    // Faults this step is built to absorb: the command still succeeds. Where a
    // retry is not absorbed it is a refusal like any other. A hang-up after the
    // last answer may still cut off answers of the same read that follow it:
    // then the command fails with the loss as its reason.
    std::string absorbed = {};
    std::string kept = {};  // files a failure at this step leaves behind
    std::string named = {}; // a text the error output must contain
    // Run first, fault-free as far as its codes go, to give the command something to work on.
    std::string setup = {};
};

// The simulator starts with the sample chips 4164, 6116 and 7400, the sample
// font in slot 0 and the sample image in slot 1. A chip's metadata is read in
// two parts. A refused image count means there are no images; a refused image
// name, an empty slot. The setup upload asks for the six slots and slot 2
// again: font delete's first slot query is the 8th.
const std::vector<Step> steps = {
    {"Info", "info", "0xDC:1", "SerialNumber"},
    {"Info", "info", "0xC7:2", "SecondChipName"},
    {"Chips", "chips", "0xC8:1", "ChipCount"},
    {"Chips", "chips", "0xC7:2", "SecondChipName"},
    {"Send", "send ../7400.chip", "0xAF:1", "UploadMode"},
    {"Send", "send ../7400.chip", "0xCD:1", "CodeLength", "retry"},
    {"SendStore", "send ../7400.chip --store", "0xAF:1", "UploadMode"},
    {"SendStore", "send ../7400.chip --store", "0xC6:1", "Store", "hangup-after"},
    {"Store", "store ../7400.chip ../6116.chip", "0xAF:1", "UploadMode"},
    {"Store", "store ../7400.chip ../6116.chip", "0xCA:2", "SecondChipMetadata", "retry"},
    {"Pull", "pull 1 -o pulled.chip", "0xC8:1", "ChipCount"},
    {"Pull", "pull 1 -o pulled.chip", "0xD7:1", "Code"},
    {"Backup", "backup saved", "0xC8:1", "ChipCount"},
    {"Backup", "backup saved", "0xD6:3", "SecondChipMetadata", "", "saved/4164.chip", "(6116)"},
    {"Delete", "delete 1", "0xC8:1", "ChipCount"},
    {"Delete", "delete 1", "0xDA:1", "Delete"},
    {"DeleteAll", "delete --all --yes", "0xAF:1", "UploadMode"},
    {"DeleteAll", "delete --all --yes", "0xD3:1", "DeleteAll", "hangup-after"},
    {"Fonts", "fonts", "0xDE:1", "Slot0"},
    {"Fonts", "fonts", "0xDE:4", "Slot3"},
    {"FontUpload", "font upload ../Norix5x7.txt 2", "0xC0:1", "MetaBegin", "retry"},
    {"FontUpload", "font upload ../Norix5x7.txt 2", "0xC4:3", "DataChunk3", "retry"},
    {"FontDelete", "font delete 2", "0xDE:8", "Slot0", "", "", "", "font upload ../Norix5x7.txt 2"},
    {"FontDelete", "font delete 2", "0xE6:1", "Delete", "retry hangup-after", "", "",
     "font upload ../Norix5x7.txt 2"},
    {"Images", "images", "0xD0:1", "ImageCount", "fail"},
    {"Images", "images", "0xD4:1", "Slot1Name", "fail hangup-after"},
    {"ImagePull", "image pull 1 -o pulled.txt", "0xE7:1", "Metadata", "retry"},
    {"ImagePull", "image pull 1 -o pulled.txt", "0xE8:2", "SecondPiece", "retry"},
    {"ImageUpload", "image upload ../NorixLogo.txt", "0xA0:1", "MetaBegin", "retry"},
    {"ImageUpload", "image upload ../NorixLogo.txt", "0xA4:2", "DataChunk2", "retry"},
    {"Settings", "settings", "0xE4:1", "Read", "retry hangup-after"},
    {"SettingsSet", "settings set speed fast", "0xE4:1", "Read", "retry"},
    {"SettingsSet", "settings set speed fast", "0xE4:2", "Change", "retry hangup-after"},
};

struct Cell {
    const Step* step;
    const Fault* fault;

    const std::string& action() const { return fault->first; }
    std::string name() const { return step->command + "_" + step->name + "_" + fault->second; }
    std::string rule() const { return step->rule + ":" + action(); }
    bool absorbed() const { return std::ranges::count(clitest::words(step->absorbed), action()); }
};

void PrintTo(const Cell& cell, std::ostream* out) {
    *out << "norix-sim --fault " << cell.rule();
}

std::vector<Cell> allCells() {
    std::vector<Cell> cells;
    for (const auto& step : steps)
        for (const auto& fault : faults)
            cells.push_back({&step, &fault});
    return cells;
}

std::set<std::string> filesUnder(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), folder).string());
    return files;
}

// How a cell's norix ran; its outputs and files and the simulator's log stay in its folder.
struct CellRun {
    int status = -1;
    double seconds = 0;
    std::string problem; // the setup failed
};

CellRun runCell(const Cell& cell, const fs::path& base) {
    CellRun run;
    fs::create_directories(base / "work");
    for (const auto& sample : fs::recursive_directory_iterator(examples))
        if (sample.is_regular_file())
            fs::copy_file(sample.path(), base / sample.path().filename(),
                          fs::copy_options::skip_existing);
    clitest::SimProcess sim({"-v", "--examples", examples.string(), "--fault", cell.rule()},
                            base / "sim.log");
    const auto norix = [&](const std::string& command, const std::string& name) {
        std::vector<std::string> args = clitest::words(command);
        args.insert(args.begin(), {NORIX_BINARY, "-p", sim.port(), "--timeout", "1"});
        return clitest::waitForExit(clitest::spawnProgram(
            args, base / "work", base / (name + ".out"), base / (name + ".err")));
    };
    // A simulator that did not start logs no fault, which the test notices.
    if (!cell.step->setup.empty() && norix(cell.step->setup, "setup") != 0) {
        run.problem = "the setup failed: " + readFile(base / "setup.err");
    } else {
        const auto start = std::chrono::steady_clock::now();
        run.status = norix(cell.step->args, "run");
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return run;
}

bool hasLineStarting(const std::string& text, const std::string& start) {
    return ("\n" + text).find("\n" + start) != std::string::npos;
}

class FaultMatrix : public ::testing::TestWithParam<Cell> {
public:
    // Runs every selected cell, eight at a time (they only wait on processes),
    // before the first test looks at its own.
    static void SetUpTestSuite() {
        base_ = fs::temp_directory_path() / ("norix-faults-" + std::to_string(::getpid()));
        fs::remove_all(base_);
        std::vector<Cell> selected;
        const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
        for (int i = 0; i < suite->total_test_count(); ++i)
            for (const auto& cell : allCells())
                if (suite->GetTestInfo(i)->should_run() &&
                    std::string(suite->GetTestInfo(i)->name()).ends_with("/" + cell.name()))
                    selected.push_back(cell);
        for (const auto& cell : selected)
            runs_[cell.name()] = {};
        std::atomic<std::size_t> next = 0;
        std::vector<std::jthread> workers;
        for (int worker = 0; worker < 8; ++worker)
            workers.emplace_back([&] {
                for (std::size_t i = next++; i < selected.size(); i = next++)
                    runs_.at(selected[i].name()) = runCell(selected[i], base_ / selected[i].name());
            });
    }
    static void TearDownTestSuite() { fs::remove_all(base_); }

protected:
    static inline fs::path base_;
    static inline std::map<std::string, CellRun> runs_;
};

TEST_P(FaultMatrix, EndsAsTheFaultDemands) {
    const Cell& cell = GetParam();
    const CellRun& run = runs_.at(cell.name());
    ASSERT_EQ(run.problem, "");
    const fs::path base = base_ / cell.name();
    const std::string err = readFile(base / "run.err");
    // The cell tests nothing unless the simulator really misbehaved.
    ASSERT_NE(readFile(base / "sim.log").find("  fault " + cell.rule()), std::string::npos);
    EXPECT_LT(run.seconds, timeoutSeconds + slackSeconds) << err;

    if (cell.absorbed() && (cell.action() != "hangup-after" || run.status == 0)) {
        EXPECT_EQ(run.status, 0) << err;
        return;
    }
    EXPECT_EQ(run.status, 1) << err;
    if (cell.action() == "drop") {
        EXPECT_TRUE(hasLineStarting(err, silenceLine + "\n")) << err;
        EXPECT_GE(run.seconds, timeoutSeconds);
    } else if (cell.action() == "crc") {
        EXPECT_TRUE(hasLineStarting(err, "Serial CRC mismatch. Received ")) << err;
    } else {
        // The device answered or hung up: that is the reason, not a time-out.
        EXPECT_EQ(err.find(silenceLine), std::string::npos) << err;
        EXPECT_NE(err, "");
    }
    if (cell.action().starts_with("hangup")) {
        EXPECT_TRUE(hasLineStarting(err, "Norix closed the serial connection.\n") ||
                    hasLineStarting(err, "Serial read failed") ||
                    hasLineStarting(err, "Norix disconnected during a write"))
            << err;
    }
    const std::vector<std::string> kept = clitest::words(cell.step->kept);
    EXPECT_EQ(filesUnder(base / "work"), std::set<std::string>(kept.begin(), kept.end()));
    EXPECT_NE(err.find(cell.step->named), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultMatrix, ::testing::ValuesIn(allCells()),
                         [](const auto& cell) { return cell.param.name(); });

} // namespace
} // namespace norix
