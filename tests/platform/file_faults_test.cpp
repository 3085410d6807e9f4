// The platform's file operations under failure: each one made to fail in turn through the test
// hook, and the leftovers of a killed run cleared.
#if defined(__linux__)

#include "platform/file_faults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/files.h"
#include "tests/platform/fault_trace.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test_support::slurp;
using test_support::spit;
using test_support::TempDir;
using testing::FileOperation;
using testing::openDescriptors;
using testing::ScopedFileFaultHook;

// A hook that fails `operation` with `error` and lets everything else through.
testing::FileFaultHook failing(FileOperation operation, int error) {
    return [operation, error](FileOperation seen, const std::string&) {
        return seen == operation ? error : 0;
    };
}

// Whichever step of a replacement fails, the old file stays whole, the temporary file goes, no
// descriptor stays open, and the message names the file and the reason.
TEST(FileFaultsTest, AReplacementThatFailsAtAnyStepKeepsTheOldFile) {
    const struct {
        FileOperation operation;
        int error;
    } cases[] = {
        {FileOperation::create, EACCES},
        {FileOperation::write, ENOSPC},
        {FileOperation::close, EIO},
        {FileOperation::rename, EROFS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::strerror(c.error));
        TempDir dir;
        const std::string path = dir.file("X.dat");
        spit(path, "old");
        const int descriptors = openDescriptors();
        {
            ScopedFileFaultHook hook(failing(c.operation, c.error));
            try {
                // Larger than one buffer, so that the bytes go out in several writes.
                replaceFile(path, std::string(200000, 'n'));
                ADD_FAILURE() << "no FileError";
            } catch (const FileError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "cannot write " + path + ": " + std::strerror(c.error));
            }
        }
        EXPECT_EQ(openDescriptors(), descriptors);
        EXPECT_EQ(slurp(path), "old");
        EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
    }
}

TEST(FileFaultsTest, DeletingAndReadingTellTheirFailures) {
    TempDir dir;
    const std::string path = dir.file("X.txt");
    spit(path, std::string(100000, 'r'));
    const int descriptors = openDescriptors();
    {
        ScopedFileFaultHook hook(failing(FileOperation::remove, EACCES));
        try {
            removeFile(path);
            ADD_FAILURE() << "no FileError";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), "cannot delete " + path + ": Permission denied");
        }
    }
    for (const FileOperation operation : {FileOperation::open, FileOperation::read}) {
        ScopedFileFaultHook hook(failing(operation, EIO));
        const ReadResult read = readFile(path);
        EXPECT_EQ(read.status, ReadStatus::unreadable);
        EXPECT_EQ(read.bytes, "");
        EXPECT_EQ(read.reason, "Input/output error");
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(slurp(path), std::string(100000, 'r'));
}

TEST(LeftoverTemporariesTest, RemovesOnlyTheTemporaryFilesOfTheGivenName) {
    TempDir dir;
    const std::set<std::string> leftovers = {".X.dat.tmp-12-0", ".X.dat.tmp-4194304-4294967295"};
    const std::set<std::string> others = {
        "X.dat",          ".X.dat.tmp-",         ".X.dat.tmp-12",   ".X.dat.tmp-12-",
        ".X.dat.tmp--0",  ".X.dat.tmp-12-0.bak", ".X.dat.tmp-a-0",  ".Y.dat.tmp-12-0",
        "X.dat.tmp-12-0", ".X.datx.tmp-12-0",    ".x.dat.tmp-12-0",
    };
    for (const auto& name : leftovers) spit(dir.file(name), "partial");
    for (const auto& name : others) spit(dir.file(name), "kept");
    // A directory of that shape is no leftover of ours, and must not stop the clearing.
    fs::create_directory(dir.file(".X.dat.tmp-7-7"));

    removeLeftoverTemporaries(dir.file("X.dat"));

    std::set<std::string> expected = others;
    expected.insert(".X.dat.tmp-7-7");
    EXPECT_EQ(dir.listing(), expected);
    for (const auto& name : others) EXPECT_EQ(slurp(dir.file(name)), "kept") << name;
    EXPECT_NO_THROW(removeLeftoverTemporaries(dir.file("missing/X.dat")));
}

}  // namespace
}  // namespace platform

#endif  // __linux__
