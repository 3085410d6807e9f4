// What a path names and whether two paths name one file, for the tools that write files a user
// names: a device, a pipe or a link is not a file to replace, and an output that is one of the
// inputs would destroy what is being read.
#pragma once

#include <optional>
#include <string>

namespace platform {

// What `path` names, its links followed: nothing, a plain file, a directory, or anything else
// (a character or block device, a FIFO, a socket; on Windows a console or a pipe).
enum class FileKind { missing, regular, directory, special };
FileKind fileKind(const std::string& path);

// The system's words for why `path` cannot name anything at all, such as a name too long;
// nothing when it names something or merely names nothing that exists.
std::optional<std::string> unusablePath(const std::string& path);

// Whether `path` itself is a symbolic link (on Windows any reparse point), whatever it names.
bool isSymbolicLink(const std::string& path);

// The path of the file a link finally names, every link along the way resolved; nothing when
// a link in the chain names nothing or the path cannot be resolved.
std::optional<std::string> resolvedPath(const std::string& path);

// Whether both paths name one existing file: the same device and inode (on Windows the same
// volume serial number and file index), whatever names or links lead there.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace platform
