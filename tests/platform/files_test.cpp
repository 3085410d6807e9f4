#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/temporary_names.h"
#include "tests/platform/fault_trace.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test_support::slurp;
using test_support::spit;
using test_support::TempDir;
using testing::openDescriptors;

// Expects `call` to throw FileError whose message holds each of `parts`.
template <typename Call>
void expectFileError(Call call, const std::vector<std::string>& parts) {
    try {
        call();
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        for (const std::string& part : parts) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << '"' << e.what() << "\" lacks \"" << part << '"';
        }
    }
}

TEST(AppDirTest, IsTheRealDirectoryOfTheRunningProgram) {
    const std::string dir = appDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_NE(dir.back(), '/');
    EXPECT_EQ(fs::canonical(dir).string(), dir) << "symbolic links left in the path";
    EXPECT_TRUE(fileExists(joinPath(dir, program_invocation_short_name)));
}

TEST(JoinPathTest, PutsOneSeparatorBetween) {
    EXPECT_EQ(pathSeparator(), '/');
    EXPECT_EQ(joinPath("/opt/scenario", "GENOVA_TORINO_linea.txt"),
              "/opt/scenario/GENOVA_TORINO_linea.txt");
    EXPECT_EQ(joinPath("/", "a.txt"), "/a.txt");
    EXPECT_EQ(joinPath("rel", "a.txt"), "rel/a.txt");
}

TEST(FileExistsTest, TellsFilesFromDirectoriesAndNothing) {
    TempDir dir;
    spit(dir.file("a.txt"), "x");
    fs::create_directory(dir.file("sub"));
    EXPECT_TRUE(fileExists(dir.file("a.txt")));
    EXPECT_FALSE(fileExists(dir.file("missing.txt")));
    EXPECT_FALSE(fileExists(dir.file("sub")));
    EXPECT_FALSE(fileExists(dir.file("a.txt/below")));
}

TEST(ReadFileTest, ReadsWholeFilesAndTellsWhyNot) {
    TempDir dir;
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    spit(dir.file("big.dat"), big);
    spit(dir.file("empty.txt"), "");
    fs::create_directory(dir.file("sub"));

    const ReadResult read = readFile(dir.file("big.dat"));
    EXPECT_EQ(read.status, ReadStatus::ok);
    EXPECT_EQ(read.bytes, big);
    EXPECT_EQ(readFile(dir.file("empty.txt")).status, ReadStatus::ok);
    EXPECT_EQ(readFile(dir.file("missing")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(dir.file("big.dat/below")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(dir.file("sub")).status, ReadStatus::unreadable);
}

TEST(RemoveFileTest, RemovesAFileAndAcceptsAMissingOne) {
    TempDir dir;
    spit(dir.file("a.txt"), "x");
    removeFile(dir.file("a.txt"));
    EXPECT_FALSE(fs::exists(dir.file("a.txt")));
    EXPECT_NO_THROW(removeFile(dir.file("a.txt")));
    fs::create_directory(dir.file("sub"));
    expectFileError([&] { removeFile(dir.file("sub")); }, {"cannot delete", dir.file("sub")});
}

TEST(ReplaceFileTest, CreatesAndReplacesWholeFiles) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    replaceFile(path, std::string_view("first"));
    EXPECT_EQ(slurp(path), "first");

    spit(path, std::string(100000, 'o'));
    replaceFile(path, std::string_view("new"));
    EXPECT_EQ(slurp(path), "new");

    replaceFile(path, std::string_view());
    EXPECT_EQ(slurp(path), "");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
}

TEST(ReplaceFileTest, TakesTheBytesInPiecesOfAnySize) {
    TempDir dir;
    const std::string path = dir.file("route.dat");
    std::string expected;
    replaceFile(path, [&](const ByteSink& sink) {
        // Many small pieces, then one larger than any buffer.
        for (int i = 0; i < 30000; ++i) {
            const char piece[3] = {static_cast<char>(i), static_cast<char>(i >> 8), '\0'};
            sink(piece, 3);
            expected.append(piece, 3);
        }
        const std::string big(300000, 'b');
        sink(big.data(), big.size());
        expected += big;
        sink(nullptr, 0);
    });
    EXPECT_EQ(slurp(path), expected);
}

struct FailedReplace {
    const char* name;
    std::string target;
    std::vector<std::string> messageParts;
};

TEST(ReplaceFileTest, FailsClearlyAndLeavesNothingBehind) {
    TempDir dir;
    fs::create_directory(dir.file("X.dat"));
    spit(dir.file("X.dat") + "/inside", "kept");
    spit(dir.file("plain"), "kept");
    const FailedReplace cases[] = {
        {"target is a directory",
         dir.file("X.dat"),
         {"cannot write " + dir.file("X.dat") + ": Is a directory"}},
        {"parent is a regular file",
         dir.file("plain") + "/X.dat",
         {"cannot write " + dir.file("plain") + "/X.dat: Not a directory"}},
        {"parent missing",
         dir.file("none") + "/X.dat",
         {"cannot write " + dir.file("none") + "/X.dat: No such file or directory"}},
    };
    const int descriptors = openDescriptors();
    for (const FailedReplace& c : cases) {
        SCOPED_TRACE(c.name);
        expectFileError([&] { replaceFile(c.target, std::string_view("new")); }, c.messageParts);
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(dir.listing(), (std::set<std::string>{"X.dat", "plain"}));
    EXPECT_EQ(slurp(dir.file("X.dat") + "/inside"), "kept");
    EXPECT_EQ(slurp(dir.file("plain")), "kept");
}

TEST(ReplaceFileTest, UnwritableDirectory) {
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

// A producer that fails part way leaves the old file as it was and no temporary file.
TEST(ReplaceFileTest, ProducerFailureKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    const int descriptors = openDescriptors();
    EXPECT_THROW(replaceFile(path,
                             [](const ByteSink& sink) {
                                 const std::string part(100000, 'n');
                                 sink(part.data(), part.size());
                                 throw std::runtime_error("model incomplete");
                             }),
                 std::runtime_error);
    EXPECT_EQ(openDescriptors(), descriptors);
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
TEST(ReplaceFileTest, WriteFailureIsReportedAndKeepsTheOldFile) {
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

TEST(ReplaceFileTest, LeftoverTemporaryNamesAreNotReused) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    // Names another run of this process could have left: they are skipped, not overwritten.
    for (int i = 0; i < 50; ++i) {
        spit(dir.file(".X.dat.tmp-" + std::to_string(::getpid()) + "-" + std::to_string(i)),
             "other");
    }
    replaceFile(path, std::string_view("new"));
    EXPECT_EQ(slurp(path), "new");
    EXPECT_EQ(dir.listing().size(), 51u);
    for (const std::string& name : dir.listing()) {
        if (name != "X.dat") {
            EXPECT_EQ(slurp(dir.file(name)), "other") << name;
        }
    }
}

// Names up to the file system's limit are written, whatever room the temporary name's additions
// need, and a killed run's temporary file of such a name is found and cleared by the next run.
// One byte more is refused before anything is written.
TEST(ReplaceFileTest, NamesUpToTheFileSystemLimitAreWrittenAndTheirLeftoversCleared) {
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
            sink("new", 3);
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

// The temporary prefix leaves room for a process id and a counter of ten digits each within the
// name limit, keeps the plain form where it fits, cuts a long name between characters, and
// tells names apart that differ only past the cut.
TEST(TemporaryNamesTest, FitTheLimitAndStayDistinct) {
    EXPECT_EQ(temporaryPrefix("X.dat"), ".X.dat.tmp-");
    for (const std::size_t limit : {std::size_t{255}, std::size_t{143}}) {
        for (std::size_t length = 1; length <= limit; ++length) {
            SCOPED_TRACE(std::to_string(limit) + "/" + std::to_string(length));
            std::string name;
            while (name.size() < length) name += name.size() % 3 == 2 ? "a" : "\xe2\x82\xac";  // €
            name.resize(length);
            const std::string prefix = temporaryPrefix(name, limit);
            ASSERT_LE(prefix.size() + kTemporaryNumbersLength, limit);
            if (prefix != "." + name + ".tmp-") {
                ASSERT_GT(1 + name.size() + 5 + kTemporaryNumbersLength, limit);
                const std::size_t kept = prefix.find('~', 1) - 1;
                ASSERT_EQ(prefix.substr(1, kept), name.substr(0, kept));
                ASSERT_NE(static_cast<unsigned char>(name[kept]) & 0xc0, 0x80u)
                    << "cut a character";
                name.back() = name.back() == 'a' ? 'b' : 'a';
                ASSERT_NE(temporaryPrefix(name, limit), prefix);
            }
        }
    }
}

}  // namespace
}  // namespace platform
