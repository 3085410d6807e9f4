// A program started for a test as a person or a script would start it: in a directory of the
// test's choosing, without a display unless the test gives one, with settings added to the
// environment, standard error kept in a file, and, where the test asks, with a limit on the size of
// the files it writes. It runs in its own process group, so that a test that ends it ends
// everything it started.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace platform::testing {

struct ChildOptions {
    std::filesystem::path workDir = ".";
    // Where standard error goes; /dev/null when empty.
    std::filesystem::path errorFile = {};
    // RLIMIT_FSIZE. The child starts with the system's default for the signal a write past it
    // raises, as from a shell, so that the program itself must turn it into a failed write.
    std::optional<rlim_t> fileSizeLimit = {};
    // The display it is given (DISPLAY); none when empty.
    std::string display = {};
    // NAME=VALUE settings added to the test's own environment.
    std::vector<std::string> environment = {};
};

class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options)
        : errorFile_(options.errorFile) {
        // Everything the child needs is made before fork: after it, the child only makes
        // system calls.
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::string(*e).rfind("DISPLAY=", 0) != 0) environment.emplace_back(*e);
        }
        if (!options.display.empty()) environment.push_back("DISPLAY=" + options.display);
        environment.insert(environment.end(), options.environment.begin(),
                           options.environment.end());
        std::vector<char*> envp;
        for (auto& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> args = argv;
        std::vector<char*> argp;
        for (auto& a : args) argp.push_back(a.data());
        argp.push_back(nullptr);
        const std::string workDir = options.workDir.string();
        const std::string errorPath =
            options.errorFile.empty() ? "/dev/null" : options.errorFile.string();

        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            const int in = ::open("/dev/null", O_RDONLY);
            const int out = ::open("/dev/null", O_WRONLY);
            const int err = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
                ::dup2(err, 2) < 0 || ::chdir(workDir.c_str()) != 0) {
                ::_exit(127);
            }
            if (options.fileSizeLimit) {
                ::signal(SIGXFSZ, SIG_DFL);
                const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
            }
            // A program named without a folder is looked for on PATH, as a shell would.
            ::execvpe(argp[0], argp.data(), envp.data());
            ::_exit(127);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (running()) kill();
    }

    bool started() const { return pid_ > 0; }

    bool running() {
        if (pid_ <= 0 || ended_) return false;
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
        return !ended_;
    }

    // Ends it at once, wherever it is, as a power cut or the task manager would; reaps it.
    void kill() {
        if (pid_ <= 0 || ended_) return;
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        ended_ = true;
    }

    // Waits up to `limit` for it to end by itself, and ends it when it does not. Its exit
    // status, or nothing when it had to be ended or was ended by a signal.
    std::optional<int> wait(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (running()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill();
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!ended_ || !WIFEXITED(status_)) return std::nullopt;
        return WEXITSTATUS(status_);
    }

    std::string standardError() const {
        std::ifstream in(errorFile_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    std::filesystem::path errorFile_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
};

}  // namespace platform::testing
