#include "platform/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

BoundedRead failed(ReadStatus status, int error) {
    BoundedRead result;
    result.status = status;
    result.reason = std::strerror(error);
    return result;
}

}  // namespace

BoundedRead readFileAtMost(const std::string& path, std::uint64_t limit, FileTypes types) {
    // Without O_NONBLOCK, opening a FIFO waits until a writer opens it, for ever if none does.
    const int flags =
        O_RDONLY | O_CLOEXEC | (types == FileTypes::plainOnly ? O_NONBLOCK | O_NOCTTY : 0);
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return failed(
            errno == ENOENT || errno == ENOTDIR ? ReadStatus::missing : ReadStatus::unreadable,
            errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    BoundedRead result;
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (known && S_ISDIR(info.st_mode)) return failed(ReadStatus::unreadable, EISDIR);
    if (types == FileTypes::plainOnly && (!known || !S_ISREG(info.st_mode))) {
        result.status = ReadStatus::unreadable;
        result.notPlain = true;
        result.reason = "not a plain file";
        return result;
    }
    if (known && S_ISREG(info.st_mode)) {
        result.size = static_cast<std::uint64_t>(info.st_size);
        result.sizeExact = true;
        if (result.size > limit) {
            result.status = ReadStatus::ok;
            result.tooLarge = true;
            return result;
        }
        result.bytes.reserve(static_cast<std::size_t>(result.size));
    }
    // A plain file may still grow while it is read, and a pipe or device tells no size: the
    // reading stops one byte past the limit either way.
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return failed(ReadStatus::unreadable, errno);
        }
        if (got == 0) break;
        result.bytes.append(chunk.data(), static_cast<std::size_t>(got));
        if (result.bytes.size() > limit) {
            result.status = ReadStatus::ok;
            result.tooLarge = true;
            result.size = limit + 1;
            result.sizeExact = false;
            result.bytes = std::string();
            return result;
        }
    }
    result.status = ReadStatus::ok;
    result.size = result.bytes.size();
    return result;
}

}  // namespace platform
