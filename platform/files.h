// File operations of the platform layer. Paths are UTF-8 text; each platform converts them to
// its own form. Every failure throws FileError with a message that names the path and the
// reason, so that the shells can tell the user what went wrong.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/byte_sink.h"

namespace platform {

class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The directory that holds the running executable (symbolic links resolved), without a
// trailing separator.
std::string appDir();

// The platform's own path separator: '/' here, '\\' on Windows.
char pathSeparator();

// dir + separator + name.
std::string joinPath(std::string_view dir, std::string_view name);

bool fileExists(const std::string& path);

// The whole content of a file, or nothing when it does not exist or cannot be read.
enum class ReadStatus { ok, missing, unreadable };
struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    std::string bytes;
    std::string reason = {};  // the system's words for why not, when the status is not ok
};
ReadResult readFile(const std::string& path);

// Deletes a file; a missing file is not an error. Throws FileError when it cannot be deleted.
void removeFile(const std::string& path);

using common::ByteProducer;
using common::ByteSink;

// Replaces `path` with the bytes that `produce` hands to its sink. The bytes go to a temporary
// file in the same directory, which is flushed and then renamed over `path`: a reader of
// `path` sees either the old file or the whole new one, never a part. Throws FileError (and
// leaves `path` untouched) when anything fails.
void replaceFile(const std::string& path, const ByteProducer& produce);

// The same for bytes already in memory.
void replaceFile(const std::string& path, std::string_view bytes);

// Deletes the temporary files that replaceFile of `path` leaves beside it when its process is
// killed before it ends. Call it only while no other process can be replacing `path` (hold the
// directory's RunLock), or that process's temporary file would go. A leftover that cannot be
// deleted is left where it is.
void removeLeftoverTemporaries(const std::string& path);

}  // namespace platform
