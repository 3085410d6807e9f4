// File operations on Linux and other POSIX systems. Every descriptor is owned by a guard that
// closes it on every path, and at most one file is open at a time.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/buffered_writer.h"
#include "platform/file_faults.h"
#include "platform/temporary_names.h"

namespace platform {
namespace {

using testing::FileOperation;

std::string reason(int error) {
    return std::strerror(error);
}

[[noreturn]] void fail(const char* action, const std::string& path, int error) {
    throw FileError(std::string("cannot ") + action + " " + path + ": " + reason(error));
}

// Closes the descriptor it holds when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

// Retries an interrupted call.
template <typename Call>
auto retryOnInterrupt(Call call) {
    for (;;) {
        auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

// Makes a system call on `path`, unless a test asked for this operation to fail: then it
// returns -1 with errno set to the failure asked for, as the call itself would.
template <typename Call>
auto attempt(FileOperation operation, const std::string& path, Call systemCall) {
    if (const int injected = testing::injectedFailure(operation, path)) {
        errno = injected;
        return decltype(systemCall())(-1);
    }
    return retryOnInterrupt(systemCall);
}

// The directory part of `path`: "." for a bare name, "/" for a name in the root.
std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The longest name the file system holding `dir` takes, in bytes.
std::size_t nameLimitOf(const std::string& dir) {
    const long limit = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : kUsualNameLimit;
}

// A temporary file beside the target. Until commit() it is removed again when the object
// goes, so that no failure leaves it behind.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target) : target_(target) {
        static std::atomic<unsigned> counter{0};
        const std::string base = baseNameOf(target);
        if (base.empty()) fail("write", target, EISDIR);
        const std::string dir = parentOf(target);
        const std::size_t nameLimit = nameLimitOf(dir);
        // Said before anything is written: the rename at the end would fail for the same reason.
        if (base.size() > nameLimit) fail("write", target, ENAMETOOLONG);
        const std::string prefix = temporaryPrefix(base, nameLimit);
        if (const int injected = testing::injectedFailure(FileOperation::create, target)) {
            fail("write", target, injected);
        }
        // A name taken by a leftover of another process is skipped, not overwritten.
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string candidate = (dir == "/" ? "" : dir) + "/" + prefix +
                                    std::to_string(::getpid()) + "-" + std::to_string(counter++);
            const int fd = retryOnInterrupt([&] {
                return ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            });
            if (fd >= 0) {
                fd_ = fd;
                path_ = std::move(candidate);
                return;
            }
            if (errno != EEXIST) fail("write", target_, errno);
        }
        fail("write", target_, EEXIST);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(path_.c_str());
    }

    void write(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t written =
                attempt(FileOperation::write, target_, [&] { return ::write(fd_, data, size); });
            if (written < 0) fail("write", target_, errno);
            // A write that stores nothing would loop for ever; the disk is full.
            if (written == 0) fail("write", target_, ENOSPC);
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    // Closes and renames over the target. The rename is what keeps a reader, or a run killed
    // part way, from ever seeing a part of the file. The file is not forced to the disk: that
    // would cost far more than writing it, and guards only against a power loss in the moments
    // after the run, which no other program on the machine guards against either.
    void commit() {
        // The descriptor is released whatever close reports, an injected failure included.
        const int injected = testing::injectedFailure(FileOperation::close, target_);
        int closed = ::close(fd_);
        int closeError = errno;
        fd_ = -1;
        if (injected != 0) {
            closed = -1;
            closeError = injected;
        }
        // An interrupted close has still released the descriptor and lost nothing.
        if (closed != 0 && closeError != EINTR) fail("write", target_, closeError);
        if (attempt(FileOperation::rename, target_,
                    [&] { return ::rename(path_.c_str(), target_.c_str()); }) != 0) {
            fail("write", target_, errno);
        }
        committed_ = true;
    }

  private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

using BufferedSink = BufferedWriter<TemporaryFile>;

}  // namespace

std::string appDir() {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) fail("find the program's directory from", "/proc/self/exe", errno);
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        target.resize(target.size() * 2);
    }
    // A program started from a file that lives only in memory, or whose file has been deleted,
    // has no folder of its own: the link then names no file ("/memfd:NAME (deleted)",
    // "/dir/NAME (deleted)"), and the files would go to a folder that merely looks like its
    // place. Only a path that leads to the running program itself is taken.
    struct stat running {};
    struct stat named {};
    if (::stat("/proc/self/exe", &running) != 0 || ::stat(target.c_str(), &named) != 0 ||
        running.st_dev != named.st_dev || running.st_ino != named.st_ino) {
        throw FileError("cannot use the folder of " + target +
                        ": the program has no file in a folder (it was started from memory, or "
                        "its file was deleted)");
    }
    return parentOf(target);
}

char pathSeparator() {
    return '/';
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string path(dir);
    // In the root directory the separator is already there; a second one would make a path
    // that POSIX leaves to the implementation.
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

ReadResult readFile(const std::string& path) {
    Descriptor fd(attempt(FileOperation::open, path,
                          [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
    if (!fd.valid()) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        return {missing ? ReadStatus::missing : ReadStatus::unreadable, {}, reason(errno)};
    }
    ReadResult result{ReadStatus::ok, {}};
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = attempt(FileOperation::read, path,
                                    [&] { return ::read(fd.get(), chunk, sizeof chunk); });
        if (got < 0) return {ReadStatus::unreadable, {}, reason(errno)};
        if (got == 0) break;
        result.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return result;
}

void removeFile(const std::string& path) {
    if (attempt(FileOperation::remove, path, [&] { return ::unlink(path.c_str()); }) != 0 &&
        errno != ENOENT) {
        fail("delete", path, errno);
    }
}

void removeLeftoverTemporaries(const std::string& path) {
    const std::string base = baseNameOf(path);
    if (base.empty()) return;
    const std::string dir = parentOf(path);
    const std::string prefix = temporaryPrefix(base, nameLimitOf(dir));

    std::vector<std::string> leftovers;
    {
        const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.c_str()), &::closedir);
        if (!listing) return;
        while (const dirent* entry = ::readdir(listing.get())) {
            if (isTemporaryName(entry->d_name, prefix)) leftovers.emplace_back(entry->d_name);
        }
    }
    // One that cannot go only takes room; the run's own writes say what is wrong with the
    // directory, if anything is.
    for (const std::string& name : leftovers) ::unlink(joinPath(dir, name).c_str());
}

void replaceFile(const std::string& path, const ByteProducer& produce) {
    // Renaming a file over a directory fails anyway; saying so before anything is written
    // gives the clearer message.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) fail("write", path, EISDIR);

    TemporaryFile file(path);
    BufferedSink sink(file);
    produce([&sink](std::string_view piece) { sink.put(piece.data(), piece.size()); });
    sink.flush();
    file.commit();
}

void replaceFile(const std::string& path, std::string_view bytes) {
    replaceFile(path, [bytes](const ByteSink& sink) { sink(bytes); });
}

}  // namespace platform
