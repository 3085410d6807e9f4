// The least any installer of this scenario can do: put the same bytes into the same files, each
// with one open, one write and one close, with nothing computed, checked or synced.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace bench {

enum class FileRole {
    document,     // a text that stays for the driver
    description,  // a text the compiler reads; the installer deletes it before the compiled files
    compiled,     // a compiled file
};

struct FloorFile {
    std::string_view name;
    std::string_view bytes;
    FileRole role;
};

// Writes `files` into `dir` in their order and, before the first compiled file, deletes the
// descriptions again, as the installer does. Throws std::system_error on any failure.
void writeFloor(const std::string& dir, std::span<const FloorFile> files);

}  // namespace bench
