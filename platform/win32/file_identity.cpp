#include "platform/file_identity.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// A handle that only asks about the file (no reading or writing), its links followed; a
// directory needs the backup flag to be opened at all.
class QueryHandle {
  public:
    explicit QueryHandle(const std::string& path) {
        const std::wstring wide = win32::toWidePath(path);
        if (wide.empty()) return;
        handle_ =
            ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    }
    QueryHandle(const QueryHandle&) = delete;
    QueryHandle& operator=(const QueryHandle&) = delete;
    ~QueryHandle() {
        if (valid()) ::CloseHandle(handle_);
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

FileKind fileKind(const std::string& path) {
    QueryHandle file(path);
    if (!file.valid()) return FileKind::missing;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return FileKind::special;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return FileKind::special;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::directory
                                                                   : FileKind::regular;
}

std::optional<std::string> unusablePath(const std::string& path) {
    const std::wstring wide = win32::toWidePath(path);
    if (wide.empty()) return "the name is not valid UTF-8 text";
    if (::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return std::nullopt;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    return win32::systemMessage(error);
}

bool isSymbolicLink(const std::string& path) {
    const std::wstring wide = win32::toWidePath(path);
    if (wide.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::optional<std::string> resolvedPath(const std::string& path) {
    QueryHandle file(path);
    if (!file.valid()) return std::nullopt;
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file.get(), name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return std::nullopt;
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(length + 1);
    }
    return win32::toUtf8(name);
}

bool sameFile(const std::string& a, const std::string& b) {
    QueryHandle first(a);
    QueryHandle second(b);
    if (!first.valid() || !second.valid()) return false;
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION other{};
    if (!::GetFileInformationByHandle(first.get(), &one) ||
        !::GetFileInformationByHandle(second.get(), &other)) {
        return false;
    }
    return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

}  // namespace platform
