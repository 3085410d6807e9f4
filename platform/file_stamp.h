// What the system tells of a file without its bytes being read: enough to notice that a file
// followed as it is saved may have changed, so that an idle follower reads nothing.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FileStamp {
    bool exists = false;
    bool plain = false;  // a plain file, not a folder, a FIFO or a device
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // last write, nanoseconds since 1970 on the system's clock
    // Where the system tells them (not on Windows): the last change of the file's entry, which
    // a rename or a write moves on, and which file the path names.
    std::int64_t changed = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of what `path` names, its links followed; a stamp that does not exist when the
// system cannot tell.
FileStamp fileStamp(const std::string& path);

// The system's clock now, on the scale of FileStamp::modified.
std::int64_t systemClockNow();

}  // namespace platform
