// Reading a file that may be far larger than any file of its kind: its size is checked before
// anything is read, and a file whose size the system does not tell (a pipe, a device) is read
// only up to the limit, so that a huge or endless input costs neither time nor memory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace platform {

// What a reading takes. A reader that must never wait (one that follows a file as it is saved)
// takes plain files alone: the path is opened without waiting for a writer and its type is
// checked on the open handle, so that a FIFO or a device put in the file's place between a look
// at the path and the opening is refused rather than waited on.
enum class FileTypes { any, plainOnly };

struct BoundedRead {
    ReadStatus status = ReadStatus::missing;
    bool tooLarge = false;    // more than `limit` bytes: nothing kept, the status is ok
    bool notPlain = false;    // FileTypes::plainOnly and not a plain file: status unreadable
    std::uint64_t size = 0;   // the bytes the file holds (when tooLarge: at least this many)
    bool sizeExact = false;   // the system told the size: it is the file's, not a lower bound
    std::string bytes;        // the whole content, when the status is ok and not tooLarge
    std::string reason = {};  // the system's words for why not, when the status is not ok
};

// The content of `path` when it holds at most `limit` bytes. A folder is unreadable, with the
// system's words for a folder as the reason.
BoundedRead readFileAtMost(const std::string& path, std::uint64_t limit,
                           FileTypes types = FileTypes::any);

}  // namespace platform
