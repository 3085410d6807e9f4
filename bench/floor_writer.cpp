#include "bench/floor_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace bench {
namespace {

[[noreturn]] void fail(const char* action, const std::string& path) {
    throw std::system_error(errno, std::generic_category(),
                            std::string("cannot ") + action + " " + path);
}

void writeWhole(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail("create", path);
    // One write call stores a file of a few megabytes whole on Linux; a short count is a fault.
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written != static_cast<ssize_t>(bytes.size())) {
        ::close(fd);
        fail("write", path);
    }
    if (::close(fd) != 0) fail("close", path);
}

}  // namespace

void writeFloor(const std::string& dir, std::span<const FloorFile> files) {
    bool descriptionsDeleted = false;
    for (const FloorFile& file : files) {
        if (file.role == FileRole::compiled && !descriptionsDeleted) {
            for (const FloorFile& other : files) {
                if (other.role != FileRole::description) continue;
                const std::string path = dir + "/" + std::string(other.name);
                if (::unlink(path.c_str()) != 0) fail("delete", path);
            }
            descriptionsDeleted = true;
        }
        writeWhole(dir + "/" + std::string(file.name), file.bytes);
    }
}

}  // namespace bench
