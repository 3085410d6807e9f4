// The directory lock that keeps two runs in one folder apart.
#if defined(__linux__)

#include "platform/run_lock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/files.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test_support::spit;
using test_support::TempDir;

// Takes the lock of `dir` on a thread of its own and tells when it has it.
class Waiter {
  public:
    explicit Waiter(const std::string& dir)
        : thread_([this, dir] {
              RunLock lock = lockDirectory(dir);
              acquired_ = true;
              while (!done_) std::this_thread::sleep_for(1ms);
          }) {}
    ~Waiter() {
        done_ = true;
        thread_.join();
    }
    bool acquired() const { return acquired_; }
    // True once it has the lock, false when `limit` passed first.
    bool acquiredWithin(std::chrono::milliseconds limit) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!acquired_ && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        return acquired_;
    }

  private:
    std::atomic<bool> acquired_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST(RunLockTest, ASecondRunWaitsUntilTheFirstLetsGo) {
    TempDir dir;
    std::optional<RunLock> first = lockDirectory(dir.str());
    ASSERT_TRUE(first->held());
    // Moved, the lock is still held: the run keeps it whatever object carries it.
    RunLock carried = std::move(*first);
    first.reset();

    Waiter second(dir.str());
    EXPECT_FALSE(second.acquiredWithin(300ms)) << "the second run did not wait";
    carried = RunLock();
    EXPECT_TRUE(second.acquiredWithin(10s)) << "the second run never got the folder";
    EXPECT_TRUE(dir.listing().empty()) << "the lock left something in the folder";
}

// A run killed while it holds the folder must not keep every later run waiting.
TEST(RunLockTest, AKilledHolderLetsGo) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        RunLock lock = lockDirectory(dir.str());
        const char byte = 'x';
        if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    Waiter next(dir.str());
    EXPECT_FALSE(next.acquiredWithin(300ms)) << "the folder was not held";
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(next.acquiredWithin(10s)) << "the killed run kept the folder";
    EXPECT_TRUE(dir.listing().empty());
}

TEST(RunLockTest, AFolderThatCannotBeUsedIsNamedWithTheReason) {
    TempDir dir;
    spit(dir.file("plain"), "x");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.str() + "/missing", "No such file or directory"},
        {dir.str() + "/plain", "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            lockDirectory(c.path);
            ADD_FAILURE() << "no FileError";
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), ("cannot use the folder " + c.path + ": " + c.reason).c_str());
        }
    }
}

}  // namespace
}  // namespace platform

#endif  // __linux__
