#include "platform/stream_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw FileError("cannot write " + path + ": " + std::strerror(error));
}

}  // namespace

void writeIntoExisting(const std::string& path, const ByteProducer& produce) {
    // No O_CREAT: the node is there, and if it went meanwhile nothing takes its place. No
    // O_TRUNC either: a device or a FIFO has nothing to cut, and a plain file is never
    // written this way. O_NOCTTY keeps a terminal from becoming the tool's own.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    produce([&](std::string_view piece) {
        const char* data = piece.data();
        std::size_t size = piece.size();
        while (size > 0) {
            const ssize_t written = ::write(fd, data, size);
            if (written < 0) {
                if (errno == EINTR) continue;
                fail(path, errno);
            }
            if (written == 0) fail(path, ENOSPC);
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    });
}

}  // namespace platform
