#pragma once
// Runs the real norix binary in a temporary folder of its own, the way a shell
// would, and collects its standard output, standard error and exit status.

#include "core/util/UniqueFd.h"
#include "tests/support/TestSupport.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <spawn.h>
#include <sstream>
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

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "a b c" -> {"a", "b", "c"}: arguments written the way a shell user types them.
inline std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, ' ');)
        all.push_back(word);
    return all;
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
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str())); // posix_spawn changes none of them
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
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return;
        output_.reset(ends[0]);
        std::vector<std::string> args = {NORIX_SIM_PROGRAM};
        args.insert(args.end(), options.begin(), options.end());
        pid_ = spawnProgram(args, fs::current_path(), {}, log, ends[1]);
        ::close(ends[1]); // the simulator's own copy stays; its exit ends the read below
        char c = 0;
        while (pid_ > 0 && ::read(output_.get(), &c, 1) == 1 && c != '\n')
            port_ += c;
    }
    ~SimProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            waitForExit(pid_);
        }
    }

    const std::string& port() const { return port_; }

private:
    pid_t pid_ = -1;
    UniqueFd output_; // kept open: a closed pipe would end the simulator on its next line
    std::string port_;
};
#endif

// Each test runs norix in a fresh folder of its own; its outputs are kept apart.
class CliFolderTest : public ::testing::Test {
protected:
    void write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }

    // Runs norix inside the folder, so that paths in its messages stay short;
    // globalArgs_ (for example "-p PORT") come before the given arguments.
    Outcome norix(const std::vector<std::string>& args) {
        std::vector<std::string> all = {NORIX_BINARY};
        all.insert(all.end(), globalArgs_.begin(), globalArgs_.end());
        all.insert(all.end(), args.begin(), args.end());
        const int status =
            waitForExit(spawnProgram(all, folder_, outputs_ / "out", outputs_ / "err"));
        return {status, readFile(outputs_ / "out"), readFile(outputs_ / "err")};
    }

    testing::TempFolder folder_;
    testing::TempFolder outputs_;
    std::vector<std::string> globalArgs_;
};

// One run of norix, its arguments separated by single spaces, and the status,
// standard output and standard error it must give.
struct RunCase {
    const char* name;
    std::string command;
    int status;
    std::string out;
    std::string err;
    friend void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }
};

class CliRun : public CliFolderTest, public ::testing::WithParamInterface<RunCase> {
protected:
    // Writes `files` into the folder, then runs the case's command there.
    void check(const std::map<std::string, std::string>& files) {
        for (const auto& [name, contents] : files)
            write(name, contents);
        const Outcome run = norix(words(GetParam().command));
        EXPECT_EQ(run.status, GetParam().status);
        EXPECT_EQ(run.out, GetParam().out);
        EXPECT_EQ(run.err, GetParam().err);
    }
};

} // namespace norix::clitest
