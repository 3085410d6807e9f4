#include "bench/process_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <vector>

extern char** environ;

namespace bench {
namespace {

std::vector<char*> environmentWithoutDisplay() {
    std::vector<char*> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0) env.push_back(*entry);
    }
    env.push_back(nullptr);
    return env;
}

}  // namespace

ProcessRun runProcess(const std::string& executable) {
    std::vector<char*> env = environmentWithoutDisplay();
    std::string program = executable;
    char* argv[] = {program.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    // posix_spawn starts the child without copying the caller's memory, so a benchmark that
    // holds a large model does not slow the start of the process it measures.
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::system_error(spawned, std::generic_category(), "cannot start " + executable);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    const auto end = std::chrono::steady_clock::now();

    ProcessRun run;
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace bench
