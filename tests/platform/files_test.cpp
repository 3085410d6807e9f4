// What the file layer promises on every platform, checked on the real file system of each: exact
// bytes, whole replacement, failures that name the file and leave nothing behind, the clearing
// of a killed run's temporary files, and the failure of each step as the test hook injects it.
// What only one platform promises stands beside this file (files_posix_test.cpp) and in
// tests/windows/files_win32_test.cpp.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_faults.h"
#include "platform/temporary_names.h"
#include "tests/platform/expect_file_error.h"
#include "tests/support/scratch.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using test_support::slurp;
using test_support::spit;
using test_support::TempDir;
using testing::expectFileError;
using testing::FileOperation;
using testing::ScopedFileFaultHook;

// The reasons the systems give for writing where a directory stands, under a file, and in a
// folder that is not there. Windows words the last two in the machine's language, with codes
// that vary between its versions: there only the file and the first reason are checked.
#ifdef _WIN32
const std::string kIsADirectory = "it is a directory";
const std::string kNotADirectory;
const std::string kNoSuchDirectory;
#else
const std::string kIsADirectory = std::strerror(EISDIR);
const std::string kNotADirectory = std::strerror(ENOTDIR);
const std::string kNoSuchDirectory = std::strerror(ENOENT);
#endif

// `name` inside the folder `dir`, spelt with the platform's separator.
std::string inside(const std::string& dir, const std::string& name) {
    return joinPath(dir, name);
}

// A hook that fails `operation` with `error` and lets everything else through.
testing::FileFaultHook failing(FileOperation operation, int error) {
    return [operation, error](FileOperation seen, const std::string&) {
        return seen == operation ? error : 0;
    };
}

// One separator between the folder and the name, and none added after a folder that ends with
// one already, as a root does.
TEST(JoinPathTest, PutsOneSeparatorBetween) {
    const std::string s(1, pathSeparator());
    EXPECT_EQ(joinPath("scenario", "GENOVA_TORINO_linea.txt"),
              "scenario" + s + "GENOVA_TORINO_linea.txt");
    EXPECT_EQ(joinPath("giochi" + s + "scenario", "a.txt"),
              "giochi" + s + "scenario" + s + "a.txt");
    EXPECT_EQ(joinPath("scenario" + s, "a.txt"), "scenario" + s + "a.txt");
    EXPECT_EQ(joinPath(s, "a.txt"), s + "a.txt");
}

TEST(FileExistsTest, TellsFilesFromDirectoriesAndNothing) {
    TempDir dir;
    spit(dir.file("a.txt"), "x");
    fs::create_directory(dir.path() / "sub");
    EXPECT_TRUE(fileExists(dir.file("a.txt")));
    EXPECT_FALSE(fileExists(dir.file("missing.txt")));
    EXPECT_FALSE(fileExists(dir.file("sub")));
    EXPECT_FALSE(fileExists(inside(dir.file("a.txt"), "below")));
}

TEST(ReadFileTest, ReadsWholeFilesAndTellsWhyNot) {
    TempDir dir;
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    spit(dir.file("big.dat"), big);
    spit(dir.file("empty.txt"), "");
    fs::create_directory(dir.path() / "sub");

    const ReadResult read = readFile(dir.file("big.dat"));
    EXPECT_EQ(read.status, ReadStatus::ok);
    EXPECT_EQ(read.bytes, big);
    EXPECT_EQ(readFile(dir.file("empty.txt")).status, ReadStatus::ok);
    EXPECT_EQ(readFile(dir.file("missing")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(inside(dir.file("none"), "missing")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(inside(dir.file("big.dat"), "below")).status, ReadStatus::missing);
    EXPECT_EQ(readFile(dir.file("sub")).status, ReadStatus::unreadable);
}

TEST(ReadFileTest, AFailureToOpenOrReadSaysWhy) {
    TempDir dir;
    const std::string path = dir.file("X.txt");
    spit(path, std::string(100000, 'r'));
    for (const FileOperation operation : {FileOperation::open, FileOperation::read}) {
        SCOPED_TRACE(static_cast<int>(operation));
        ScopedFileFaultHook hook(failing(operation, EIO));
        const ReadResult read = readFile(path);
        EXPECT_EQ(read.status, ReadStatus::unreadable);
        EXPECT_EQ(read.bytes, "");
        EXPECT_EQ(read.reason, std::strerror(EIO));
    }
    EXPECT_EQ(slurp(path), std::string(100000, 'r'));
}

TEST(RemoveFileTest, RemovesAFileAndAcceptsAMissingOne) {
    TempDir dir;
    spit(dir.file("a.txt"), "x");
    removeFile(dir.file("a.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "a.txt"));
    EXPECT_NO_THROW(removeFile(dir.file("a.txt")));
    EXPECT_NO_THROW(removeFile(inside(dir.file("none"), "a.txt")));
    fs::create_directory(dir.path() / "sub");
    expectFileError([&] { removeFile(dir.file("sub")); }, {"cannot delete " + dir.file("sub")});
}

TEST(RemoveFileTest, AFailureSaysWhyAndKeepsTheFile) {
    TempDir dir;
    const std::string path = dir.file("X.txt");
    spit(path, "kept");
    {
        ScopedFileFaultHook hook(failing(FileOperation::remove, EACCES));
        try {
            removeFile(path);
            ADD_FAILURE() << "no FileError";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "cannot delete " + path + ": " + std::strerror(EACCES));
        }
    }
    EXPECT_EQ(slurp(path), "kept");
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

// The bytes on disk are the bytes handed over: line ends, a Ctrl-Z and bytes above 0x7F are
// not translated, and nothing is added.
TEST(ReplaceFileTest, WritesTheBytesExactly) {
    TempDir dir;
    const std::string path = dir.file("X.txt");
    const std::string bytes("riga\r\nsola\n\r\x1A\0\xE8\xFF fine", 20);
    replaceFile(path, bytes);
    EXPECT_EQ(slurp(path), bytes);
    EXPECT_EQ(readFile(path).bytes, bytes);
}

TEST(ReplaceFileTest, TakesTheBytesInPiecesOfAnySize) {
    TempDir dir;
    const std::string path = dir.file("route.dat");
    std::string expected;
    replaceFile(path, [&](const ByteSink& sink) {
        // Many small pieces, then one larger than any buffer.
        for (int i = 0; i < 30000; ++i) {
            const char piece[3] = {static_cast<char>(i), static_cast<char>(i >> 8), '\n'};
            sink(std::string_view(piece, 3));
            expected.append(piece, 3);
        }
        const std::string big(300000, 'b');
        sink(big);
        expected += big;
        sink(std::string_view());
    });
    EXPECT_EQ(slurp(path), expected);
}

struct FailedReplace {
    const char* name;
    std::string target;
    std::string reason;
};

TEST(ReplaceFileTest, FailsClearlyAndLeavesNothingBehind) {
    TempDir dir;
    fs::create_directory(dir.path() / "X.dat");
    spit(inside(dir.file("X.dat"), "inside"), "kept");
    spit(dir.file("plain"), "kept");
    const FailedReplace cases[] = {
        {"target is a directory", dir.file("X.dat"), kIsADirectory},
        {"parent is a regular file", inside(dir.file("plain"), "X.dat"), kNotADirectory},
        {"parent missing", inside(dir.file("none"), "X.dat"), kNoSuchDirectory},
    };
    for (const FailedReplace& c : cases) {
        SCOPED_TRACE(c.name);
        expectFileError([&] { replaceFile(c.target, std::string_view("new")); },
                        {"cannot write " + c.target + ": " + c.reason});
    }
    EXPECT_EQ(dir.listing(), (std::set<std::string>{"X.dat", "plain"}));
    EXPECT_EQ(slurp(inside(dir.file("X.dat"), "inside")), "kept");
    EXPECT_EQ(slurp(dir.file("plain")), "kept");
}

// A producer that fails part way leaves the old file as it was and no temporary file.
TEST(ReplaceFileTest, ProducerFailureKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    spit(path, "old");
    EXPECT_THROW(replaceFile(path,
                             [](const ByteSink& sink) {
                                 const std::string part(100000, 'n');
                                 sink(part);
                                 throw std::runtime_error("model incomplete");
                             }),
                 std::runtime_error);
    EXPECT_EQ(slurp(path), "old");
    EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
}

// Whichever step of a replacement fails, the old file stays whole, the temporary file goes,
// and the message names the file and the reason.
TEST(ReplaceFileTest, AFailureAtAnyStepKeepsTheOldFile) {
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
        EXPECT_EQ(slurp(path), "old");
        EXPECT_EQ(dir.listing(), std::set<std::string>{"X.dat"});
    }
}

// Temporary names that another run of this process could have left are skipped, not
// overwritten.
TEST(ReplaceFileTest, LeftoverTemporaryNamesAreNotReused) {
    TempDir dir;
    const std::string path = dir.file("X.dat");
    // The temporary name this process takes, split before its counter.
    std::string prefix;
    unsigned long counter = 0;
    replaceFile(path, [&](const ByteSink& sink) {
        sink("first");
        const std::set<std::string> names = dir.listing();
        ASSERT_EQ(names.size(), 1u);
        const std::string& name = *names.begin();
        prefix = name.substr(0, name.rfind('-') + 1);
        counter = std::stoul(name.substr(prefix.size()));
    });
    ASSERT_EQ(prefix.rfind(".X.dat.tmp-", 0), 0u) << prefix;
    // The next 50 names it would take.
    for (unsigned long i = 1; i <= 50; ++i) {
        spit(dir.file(prefix + std::to_string(counter + i)), "other");
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

// What a killed run left of its temporary files goes; every other name stays.
TEST(RemoveLeftoverTemporariesTest, RemovesOnlyTheTemporaryFilesOfTheGivenName) {
    TempDir dir;
    const std::set<std::string> leftovers = {".X.dat.tmp-12-0", ".X.dat.tmp-4242-0",
                                             ".X.dat.tmp-17-12", ".X.dat.tmp-4194304-4294967295"};
    const std::set<std::string> others = {
        "X.dat",          ".X.dat.tmp-",         ".X.dat.tmp-12",  ".X.dat.tmp-12-",
        ".X.dat.tmp--0",  ".X.dat.tmp-12-0.bak", ".X.dat.tmp-a-0", ".Y.dat.tmp-12-0",
        "X.dat.tmp-12-0", ".X.datx.tmp-12-0",
    };
    for (const auto& name : leftovers) spit(dir.file(name), "partial");
    for (const auto& name : others) spit(dir.file(name), "kept");
    // A directory of that shape is no leftover of ours, and must not stop the clearing.
    fs::create_directory(dir.path() / ".X.dat.tmp-7-7");

    removeLeftoverTemporaries(dir.file("X.dat"));

    std::set<std::string> expected = others;
    expected.insert(".X.dat.tmp-7-7");
    EXPECT_EQ(dir.listing(), expected);
    for (const auto& name : others) EXPECT_EQ(slurp(dir.file(name)), "kept") << name;
    EXPECT_NO_THROW(removeLeftoverTemporaries(inside(dir.file("missing"), "X.dat")));
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
