// The run lock on Windows: a second taker waits until the first lets go, the lock leaves
// nothing in the folder, and a folder that is not there, or is a file, is a clear failure.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/run_lock.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LockFolder {
  public:
    LockFolder()
        : path_(fs::temp_directory_path() / (L"run-lock-test-\u0141\u00f3d\u017a-" +
                                             std::to_wstring(::GetCurrentProcessId()))) {
        fs::remove_all(path_);
        fs::create_directory(path_);
    }
    ~LockFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string path() const { return win32::toUtf8(path_.wstring()); }
    bool empty() const { return fs::is_empty(path_); }

  private:
    fs::path path_;
};

// A second taker waits until the first lets go, whichever way it spells the folder. It stands
// in another thread here; another process waits the same way.
TEST(RunLockTest, ASecondTakerWaitsForTheFirstWhateverTheSpelling) {
    LockFolder folder;
    std::wstring upper = win32::toWide(folder.path());
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    const std::string spellings[] = {folder.path(), win32::toUtf8(upper), folder.path() + "\\"};
    for (const std::string& spelling : spellings) {
        SCOPED_TRACE(spelling);
        auto first = std::make_unique<RunLock>(lockDirectory(folder.path()));
        ASSERT_TRUE(first->held());

        std::atomic<bool> taken{false};
        auto second = std::async(std::launch::async, [&] {
            RunLock lock = lockDirectory(spelling);
            taken = true;
            return lock.held();
        });
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(taken) << "taken while the first still held it";

        first.reset();
        ASSERT_EQ(second.wait_for(5s), std::future_status::ready) << "still waiting after release";
        EXPECT_TRUE(second.get());
    }
    EXPECT_TRUE(folder.empty());
}

TEST(RunLockTest, LeavesNothingInTheFolder) {
    LockFolder folder;
    {
        const RunLock lock = lockDirectory(folder.path());
        EXPECT_TRUE(lock.held());
    }
    EXPECT_TRUE(folder.empty());
}

TEST(RunLockTest, AMissingFolderOrAFileIsAClearFailure) {
    LockFolder folder;
    const std::string file = folder.path() + "\\file.txt";
    std::ofstream(fs::path(win32::toWide(file))) << "x";
    for (const std::string& notAFolder : {folder.path() + "\\none", file}) {
        try {
            lockDirectory(notAFolder);
            ADD_FAILURE() << "no FileError for " << notAFolder;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("cannot use the folder " + notAFolder + ": "),
                      std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
}  // namespace platform
