#include "platform/file_stamp.h"

#include <sys/stat.h>

#include <ctime>

namespace platform {
namespace {

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

FileStamp fileStamp(const std::string& path) {
    struct stat info {};
    FileStamp stamp;
    if (::stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.plain = S_ISREG(info.st_mode);
    stamp.size = stamp.plain ? static_cast<std::uint64_t>(info.st_size) : 0;
    stamp.modified = nanoseconds(info.st_mtim);
    stamp.changed = nanoseconds(info.st_ctim);
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    return stamp;
}

std::int64_t systemClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

}  // namespace platform
