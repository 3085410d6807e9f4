#include "platform/file_identity.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

FileKind fileKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FileKind::missing;
    if (S_ISREG(info.st_mode)) return FileKind::regular;
    if (S_ISDIR(info.st_mode)) return FileKind::directory;
    return FileKind::special;
}

std::optional<std::string> unusablePath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 || errno == ENOENT || errno == ENOTDIR) {
        return std::nullopt;
    }
    return std::string(std::strerror(errno));
}

bool isSymbolicLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::optional<std::string> resolvedPath(const std::string& path) {
    const std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr),
                                                          &std::free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace platform
