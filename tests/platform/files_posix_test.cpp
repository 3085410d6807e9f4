// What the file layer promises on Linux beyond the contract of every platform (files_test.cpp):
// the program's real directory, names as bytes up to the file system's limit, permission bits
// and file size limits, and no descriptor left open by any failure.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/temporary_names.h"
#include "tests/platform/expect_file_error.h"
#include "tests/platform/fault_trace.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test_support::slurp;
using test_support::spit;
using test_support::TempDir;
using testing::expectFileError;
using testing::FileOperation;
using testing::openDescriptors;
using testing::ScopedFileFaultHook;

TEST(PosixFilesTest, AppDirIsTheRealDirectoryOfTheRunningProgram) {
    const std::string dir = appDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_NE(dir.back(), '/');
    EXPECT_EQ(fs::canonical(dir).string(), dir) << "symbolic links left in the path";
    EXPECT_TRUE(fileExists(joinPath(dir, program_invocation_short_name)));
}

TEST(PosixFilesTest, PathsAreSeparatedBySlashes) {
    EXPECT_EQ(pathSeparator(), '/');
    EXPECT_EQ(joinPath("/opt/scenario", "a.txt"), "/opt/scenario/a.txt");
}

// Whatever fails, and however, every descriptor the operation opened is closed again.
TEST(PosixFilesTest, NoFailureLeavesADescriptorOpen) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    fs::create_directory(dir.path() / "sub");
    spit(dir.file("plain"), "kept");
    const struct {
        const char* name;
        std::function<void()> failure;
    } cases[] = {
        {"target is a directory", [&] { replaceFile(dir.file("sub"), std::string_view("x")); }},
        {"parent is a regular file",
         [&] { replaceFile(dir.file("plain") + "/X.dat", std::string_view("x")); }},
        {"parent missing",
         [&] { replaceFile(dir.file("none") + "/X.dat", std::string_view("x")); }},
        {"producer fails",
         [&] {
             replaceFile(path, [](const ByteSink& sink) {
                 const std::string part(100000, 'n');
                 sink(part);
                 throw std::runtime_error("model incomplete");
             });
         }},
    };
    const int descriptors = openDescriptors();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_ANY_THROW(c.failure());
        EXPECT_EQ(openDescriptors(), descriptors);
    }
    for (const FileOperation operation : {FileOperation::create, FileOperation::write,
                                          FileOperation::close, FileOperation::rename}) {
        SCOPED_TRACE(static_cast<int>(operation));
        ScopedFileFaultHook hook(
            [&](FileOperation seen, const std::string&) { return seen == operation ? EIO : 0; });
        EXPECT_THROW(replaceFile(path, std::string(200000, 'n')), FileError);
        EXPECT_EQ(openDescriptors(), descriptors);
    }
    for (const FileOperation operation : {FileOperation::open, FileOperation::read}) {
        SCOPED_TRACE(static_cast<int>(operation));
        ScopedFileFaultHook hook(
            [&](FileOperation seen, const std::string&) { return seen == operation ? EIO : 0; });
        EXPECT_EQ(readFile(path).status, ReadStatus::unreadable);
        EXPECT_EQ(openDescriptors(), descriptors);
    }
    EXPECT_EQ(slurp(path), "old");
}

TEST(PosixFilesTest, AnUnwritableDirectoryIsReportedAndKept) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root from writing";
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    expectFileError([&] { replaceFile(path, std::string_view("new")); },
                    {"cannot write " + path + ": Permission denied"});
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
}

// Restores the file size limit and the SIGXFSZ disposition when the test ends.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

// A file system that takes only part of the bytes: the short write is followed by a failing
// one, which must be reported with its reason, not taken for success.
TEST(PosixFilesTest, AWriteFailureIsReportedAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    const int descriptors = openDescriptors();
    {
        FileSizeLimit limit(1000);
        expectFileError([&] { replaceFile(path, std::string(100000, 'n')); },
                        {"cannot write " + path + ": File too large"});
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
}

// Names up to the file system's limit in bytes are written, whatever room the temporary name's
// additions need, and a killed run's temporary file of such a name is found and cleared by the
// next run. One byte more is refused before anything is written.
TEST(PosixFilesTest, NamesUpToTheFileSystemLimitAreWrittenAndTheirLeftoversCleared) {
    std::string accented;
    while (accented.size() + 2 <= 255) accented += "\xc3\xa9";  // é, two bytes
    const struct {
        const char* name;
        std::string fileName;
    } cases[] = {
        {"short", "X.dat"},
        {"just within the usual form", std::string(228, 'a')},
        {"just past the usual form", std::string(229, 'a')},
        {"240 bytes", std::string(236, 'L') + ".dat"},
        {"the limit", std::string(255, 'm')},
        {"two-byte characters up to the limit", accented},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file(c.fileName);
        std::set<std::string> whileWriting;
        replaceFile(path, [&](const ByteSink& sink) {
            sink("new");
            whileWriting = dir.listing();
        });
        EXPECT_EQ(slurp(path), "new");
        EXPECT_EQ(dir.listing(), std::set<std::string>{c.fileName});
        ASSERT_EQ(whileWriting.size(), 1u);
        const std::string temporary = *whileWriting.begin();
        EXPECT_LE(temporary.size(), 255u);

        // What a killed run of another process left, and the same for a name that differs only
        // past the part a shortened temporary name keeps: only the first is this file's.
        const std::size_t counterDash = temporary.rfind('-');
        const std::string prefix = temporary.substr(0, temporary.rfind('-', counterDash - 1) + 1);
        spit(dir.file(prefix + "4194304-4294967295"), "killed");
        const std::string otherName = c.fileName.substr(0, c.fileName.size() - 1) + "Z";
        const std::string otherLeftover = temporaryPrefix(otherName) + "17-0";
        spit(dir.file(otherLeftover), "other");
        removeLeftoverTemporaries(path);
        EXPECT_EQ(dir.listing(), (std::set<std::string>{otherLeftover, c.fileName}));
    }

    TempDir dir;
    const std::string tooLong = dir.file(std::string(256, 'n'));
    expectFileError([&] { replaceFile(tooLong, std::string_view("new")); },
                    {tooLong, "File name too long"});
    EXPECT_EQ(dir.listing(), std::set<std::string>{});
}

// Names are bytes here: one that differs from a temporary name only in case is another file's.
TEST(PosixFilesTest, ALeftoverIsMatchedWithItsCase) {
    TempDir dir;
    spit(dir.file("X.dat"), "kept");
    spit(dir.file(".x.dat.tmp-12-0"), "kept");
    spit(dir.file(".X.dat.tmp-12-0"), "partial");
    removeLeftoverTemporaries(dir.file("X.dat"));
    EXPECT_EQ(dir.listing(), (std::set<std::string>{".x.dat.tmp-12-0", "X.dat"}));
}

}  // namespace
}  // namespace platform
