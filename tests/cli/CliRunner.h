#pragma once
// Runs the real norix binary in a temporary folder of its own, the way a shell
// would, and collects its standard output, standard error and exit status.

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern "C" char** environ;

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

// Starts `args` in `folder` with no input, standard output to `out` (or to the
// descriptor `outFd`) and standard error to `err`; the process id, or -1. Safe
// to call from several threads at once, unlike system().
inline pid_t spawnProgram(const std::vector<std::string>& args, const fs::path& folder,
                          const fs::path& out, const fs::path& err, int outFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& arg : copy)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of a process started here, or -1 when it did not exit.
inline int waitForExit(pid_t pid) {
    int raw = 0;
    if (pid <= 0 || ::waitpid(pid, &raw, 0) != pid)
        return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

#ifdef NORIX_SIM_PROGRAM
// A norix-sim process with the given options, stopped with SIGTERM when
// destroyed; its port is the first line it prints. Its standard error goes to `log`.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& options,
                        const fs::path& log = "/dev/null") {
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> args = {NORIX_SIM_PROGRAM};
        args.insert(args.end(), options.begin(), options.end());
        pid_ = spawnProgram(args, fs::current_path(), {}, log, output[1]);
        ::close(output[1]);
        char c = 0;
        while (pid_ > 0 && ::read(output[0], &c, 1) == 1 && c != '\n')
            port_ += c;
        output_ = output[0];
    }
    ~SimProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            waitForExit(pid_);
        }
        ::close(output_);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& port() const { return port_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string port_;
};
#endif

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
