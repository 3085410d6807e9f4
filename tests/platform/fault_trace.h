// Shared by the tests that make file operations fail: the failure each operation is given, a
// record of the operations a run made, what this process holds open, and which file a name
// stands for, to tell a file kept whole from one replaced.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_faults.h"

namespace platform::testing {

// What a full or read-only disk, a refused permission or a failing device reports there.
inline int failureFor(FileOperation operation) {
    switch (operation) {
        case FileOperation::create:
        case FileOperation::open:
            return EACCES;
        case FileOperation::write:
            return ENOSPC;
        case FileOperation::rename:
        case FileOperation::remove:
            return EROFS;
        case FileOperation::close:
        case FileOperation::read:
            return EIO;
    }
    return EIO;
}

struct FileEvent {
    FileOperation operation;
    std::string path;
};

// Files inside the folders that this process has open, as the kernel sees them. A folder's own
// descriptor (the run lock) names the folder, not a file in it, and is not counted.
inline int openFilesIn(const std::vector<std::string>& dirs) {
    int count = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(e.path(), error).string();
        if (error) continue;
        for (const std::string& dir : dirs) count += target.starts_with(dir + "/");
    }
    return count;
}

// Every descriptor this process has open.
inline int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// The file `path` names on its file system, 0 when it names none.
inline ino_t inodeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace platform::testing
