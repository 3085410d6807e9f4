// The installer's run over a folder that holds the files of an earlier good run, with each of
// its file operations made to fail in turn: the run stops with a message that names the file
// and the reason, the earlier files stay whole, and nothing is left open, behind or leaked.
#if defined(__linux__)

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "app/run_installer.h"
#include "platform/file_faults.h"
#include "tests/app/test_support.h"
#include "tests/platform/fault_trace.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace app {
namespace {

namespace fs = std::filesystem;
using platform::testing::failureFor;
using platform::testing::FileEvent;
using platform::testing::FileOperation;
using platform::testing::inodeOf;
using platform::testing::openDescriptors;
using platform::testing::openFilesIn;
using platform::testing::ScopedFileFaultHook;
using testing::listing;
using testing::RecordingUi;
using testing::slurp;
using testing::spit;
using testing::TempDir;

class InstallerFileFaultsTest : public ::testing::Test {
  protected:
    // The six files of a good run, and the file operations of a second run over them.
    static void SetUpTestSuite() {
        TempDir first;
        RecordingUi ui;
        ASSERT_EQ(runInstaller(ui, [&] { return first.str(); }), kExitSuccess);
        reference_ = new std::map<std::string, std::string>;
        for (const std::string& name : listing(first.path())) {
            (*reference_)[name] = slurp(first.file(name));
        }
        ASSERT_EQ(reference_->size(), 6u);

        TempDir second;
        seedWithReference(second.path());
        trace_ = new std::vector<FileEvent>;
        {
            ScopedFileFaultHook hook([&](FileOperation operation, const std::string& path) {
                trace_->push_back({operation, fs::path(path).filename().string()});
                return 0;
            });
            ASSERT_EQ(runInstaller(ui, [&] { return second.str(); }), kExitSuccess);
        }
    }
    static void TearDownTestSuite() {
        delete reference_;
        delete trace_;
    }

    static void seedWithReference(const fs::path& dir) {
        for (const auto& [name, bytes] : *reference_) {
            spit((dir / name).string(), bytes);
        }
    }

    static std::map<std::string, std::string>* reference_;
    static std::vector<FileEvent>* trace_;
};

std::map<std::string, std::string>* InstallerFileFaultsTest::reference_ = nullptr;
std::vector<FileEvent>* InstallerFileFaultsTest::trace_ = nullptr;

TEST_F(InstallerFileFaultsTest, EachOperationThatFailsStopsTheRunAndKeepsTheEarlierFiles) {
    ASSERT_FALSE(trace_->empty());
    for (std::size_t failing = 0; failing < trace_->size(); ++failing) {
        const FileEvent& fault = (*trace_)[failing];
        // Of a long run of writes to one file, its first, second and last stand for the rest.
        const bool sameAsNeighbours = failing >= 2 && failing + 1 < trace_->size() &&
                                      fault.operation == FileOperation::write &&
                                      (*trace_)[failing - 2].operation == FileOperation::write &&
                                      (*trace_)[failing + 1].operation == FileOperation::write &&
                                      (*trace_)[failing - 2].path == fault.path &&
                                      (*trace_)[failing + 1].path == fault.path;
        if (sameAsNeighbours) continue;
        const int error = failureFor(fault.operation);
        SCOPED_TRACE("operation " + std::to_string(failing) + " on " + fault.path +
                     " fails: " + std::strerror(error));

        TempDir dir;
        seedWithReference(dir.path());
        std::map<std::string, ino_t> inodes;
        for (const auto& [name, bytes] : *reference_) inodes[name] = inodeOf(dir.path() / name);

        RecordingUi ui;
        int operation = 0;
        int mostOpen = 0;
        const int descriptors = openDescriptors();
        int status;
        {
            ScopedFileFaultHook hook([&](FileOperation, const std::string&) {
                mostOpen = std::max(mostOpen, openFilesIn({dir.path().string()}));
                return operation++ == static_cast<int>(failing) ? error : 0;
            });
            status = runInstaller(ui, [&] { return dir.str(); });
        }

        EXPECT_EQ(openDescriptors(), descriptors) << "a descriptor was left open";
        EXPECT_LE(mostOpen, 1) << "more than one file of the folder open at once";
        ASSERT_EQ(ui.messages.size(), 1u);
        const std::string& message = ui.messages[0];
        // A description that cannot be read back stops the run like a file that cannot be
        // written: compiling without it would give compiled files that lack its records.
        EXPECT_EQ(status, kExitFileSystemError);
        const char* action =
            fault.operation == FileOperation::remove ? "delete"
            : fault.operation == FileOperation::open || fault.operation == FileOperation::read
                ? "read"
                : "write";
        EXPECT_EQ(message, std::string("Installazione interrotta, errore nei file: cannot ") +
                               action + " " + (dir.path() / fault.path).string() + ": " +
                               std::strerror(error));

        // Every file of the earlier run is still whole, and those the run had not replaced
        // before the failure were not even touched. Nothing half-written or temporary is left.
        for (const auto& [name, bytes] : *reference_) {
            SCOPED_TRACE(name);
            EXPECT_TRUE(slurp(dir.file(name)) == bytes) << "not the earlier file";
            const bool replaced =
                std::any_of(trace_->begin(), trace_->begin() + failing, [&](const FileEvent& e) {
                    return e.operation == FileOperation::rename && e.path == name;
                });
            if (!replaced) {
                EXPECT_EQ(inodeOf(dir.path() / name), inodes[name]) << "touched";
            }
        }
        for (const std::string& name : listing(dir.path())) {
            EXPECT_TRUE(reference_->contains(name) || name.ends_with("-.txt") ||
                        name.ends_with("_linea.txt"))
                << "left behind: " << name;
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "memory leaked on a failure path";
#endif
}

}  // namespace
}  // namespace app

#endif  // __linux__
