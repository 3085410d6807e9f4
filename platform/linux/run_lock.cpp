// The run lock on Linux: flock on a descriptor of the directory itself, so that no lock file is
// ever left in the user's folder. The kernel drops the lock when the descriptor is closed, and
// when the process ends, killed or not.
#include "platform/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/files.h"

namespace platform {

void RunLock::release() noexcept {
    if (handle_ != kNone) ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

RunLock lockDirectory(const std::string& dir) {
    const auto failure = [&dir](int error) {
        return FileError("cannot use the folder " + dir + ": " + std::strerror(error));
    };
    int fd;
    do {
        fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw failure(errno);
    RunLock lock(fd);

    int locked;
    do {
        locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        switch (errno) {
            // No locks on this file system: NFS takes an exclusive lock only on a descriptor
            // open for writing, which a directory's cannot be, and some servers have none.
            case EBADF:
            case ENOLCK:
            case EOPNOTSUPP:
            case EINVAL:
                return RunLock();
            default:
                throw failure(errno);
        }
    }
    return lock;
}

}  // namespace platform
