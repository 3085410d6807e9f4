#include "platform/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {

BoundedRead readFileAtMost(const std::string& path, std::uint64_t limit) {
    BoundedRead result;
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.status =
            errno == ENOENT || errno == ENOTDIR ? ReadStatus::missing : ReadStatus::unreadable;
        result.reason = std::strerror(errno);
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
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
            result.status = ReadStatus::unreadable;
            result.reason = std::strerror(errno);
            result.bytes.clear();
            return result;
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
