#pragma once
// Runs the real norix binary in a temporary folder of its own, the way a shell
// would, and collects its standard output, standard error and exit status.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace norix::clitest {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each test gets a fresh folder named after the process and the test, so that
// ctest may run the tests of one binary in parallel.
class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() / ("norix-cli-" + std::to_string(::getpid()) + "-" +
                                               info->test_suite_name() + "-" + info->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string write(const std::string& name, const std::string& contents) {
        std::ofstream(folder_ / name, std::ios::binary) << contents;
        return name;
    }

    // Runs norix inside the folder, so that paths in its messages stay short;
    // globalArgs_ (for example "-p PORT") come before the given arguments.
    Outcome norix(const std::vector<std::string>& args) {
        std::string command = "cd " + quoted(folder_.string()) + " && " + quoted(NORIX_BINARY);
        for (const auto& arg : globalArgs_)
            command += " " + quoted(arg);
        for (const auto& arg : args)
            command += " " + quoted(arg);
        command += " >" + quoted((folder_ / ".out").string()) + " 2>" +
                   quoted((folder_ / ".err").string()) + " </dev/null";
        const int raw = std::system(command.c_str());
        Outcome run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = readFile(folder_ / ".out");
        run.err = readFile(folder_ / ".err");
        return run;
    }

    fs::path folder_;
    std::vector<std::string> globalArgs_;
};

} // namespace norix::clitest
