// The run lock on Windows: a second taker waits until the first lets go, the lock leaves
// nothing in the folder, and a folder that is not there, or is a file, is a clear failure.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/run_lock.h"
#include "platform/win32/wide_text.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using test_support::spit;
using test_support::TempDir;

// A scratch folder whose name holds letters outside the machine's code page.
const std::string kFolderPrefix =
    "run-lock-test-\xC5\x81\xC3\xB3"
    "d\xC5\xBA";

// A second taker waits until the first lets go, whichever way it spells the folder. It stands
// in another thread here; another process waits the same way.
TEST(RunLockTest, ASecondTakerWaitsForTheFirstWhateverTheSpelling) {
    TempDir folder(kFolderPrefix);
    std::wstring upper = win32::toWide(folder.str());
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    const std::string spellings[] = {folder.str(), win32::toUtf8(upper), folder.str() + "\\"};
    for (const std::string& spelling : spellings) {
        SCOPED_TRACE(spelling);
        auto first = std::make_unique<RunLock>(lockDirectory(folder.str()));
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
    EXPECT_TRUE(folder.listing().empty());
}

TEST(RunLockTest, LeavesNothingInTheFolder) {
    TempDir folder(kFolderPrefix);
    {
        const RunLock lock = lockDirectory(folder.str());
        EXPECT_TRUE(lock.held());
    }
    EXPECT_TRUE(folder.listing().empty());
}

TEST(RunLockTest, AMissingFolderOrAFileIsAClearFailure) {
    TempDir folder(kFolderPrefix);
    const std::string file = folder.str() + "\\file.txt";
    spit(file, "x");
    for (const std::string& notAFolder : {folder.str() + "\\none", file}) {
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
