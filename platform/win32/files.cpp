// File operations on Windows. Paths are UTF-8 in our code and go to the wide-character API, so
// that a folder named in any script works whatever the machine's code page. Files are opened in
// binary: the bytes handed over are the bytes on disk, with no line-end translation. Every
// handle is owned by a guard that closes it on every path, and at most one file is open at a
// time.
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/buffered_writer.h"
#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/temporary_names.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using testing::FileOperation;
using win32::systemMessage;

[[noreturn]] void failBecause(const char* action, const std::string& path,
                              const std::string& reason) {
    throw FileError(std::string("cannot ") + action + " " + path + ": " + reason);
}

[[noreturn]] void fail(const char* action, const std::string& path, DWORD error) {
    failBecause(action, path, systemMessage(error));
}

// The reason a test asked `operation` on `path` to fail with, in the words of the C library's
// errno text, or nothing when no test did.
std::optional<std::string> injectedReason(FileOperation operation, const std::string& path) {
    const int error = testing::injectedFailure(operation, path);
    if (error == 0) return std::nullopt;
    return std::string(std::strerror(error));
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The wide path, or FileError when `path` is not UTF-8 text.
std::wstring checkedWidePath(const char* action, const std::string& path) {
    std::wstring wide = win32::toWidePath(path);
    if (path.empty()) failBecause(action, path, "the name is empty");
    if (wide.empty()) failBecause(action, path, "the name is not valid UTF-8 text");
    return wide;
}

// Closes the handle it holds when it goes out of scope.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) ::CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// Errors that say nothing is there to be opened or deleted.
bool meansMissing(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return true;
        default:
            return false;
    }
}

// Errors that a scanner or indexer holding a fresh file open for a moment causes; they clear
// by themselves.
bool mayClearSoon(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

// The length of the directory part of `path`, its last separator included; 0 for a bare name.
std::size_t directoryPartLength(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1]) || (i == 2 && path[1] == ':')) return i;
    }
    return 0;
}

// A temporary file beside the target. Until commit() it is deleted again when the object goes,
// so that no failure leaves it behind.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target) : target_(target) {
        static std::atomic<unsigned> counter{0};
        const std::size_t dirLength = directoryPartLength(target);
        const std::string base = target.substr(dirLength);
        if (base.empty()) failBecause("write", target, "the name ends in a separator");
        const std::wstring wideTarget = checkedWidePath("write", target);
        // Said before anything is written: the move at the end would fail for the same reason.
        if (win32::toWide(base).size() > kUsualNameLimit)
            fail("write", target, ERROR_FILENAME_EXCED_RANGE);
        if (auto injected = injectedReason(FileOperation::create, target)) {
            failBecause("write", target, *injected);
        }
        // A name taken by a leftover of another process is skipped, not overwritten.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string candidate = target.substr(0, dirLength) + temporaryPrefix(base) +
                                          std::to_string(::GetCurrentProcessId()) + "-" +
                                          std::to_string(counter++);
            std::wstring wide = checkedWidePath("write", candidate);
            const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                handle_ = handle;
                path_ = std::move(wide);
                target_wide_ = wideTarget;
                return;
            }
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
                fail("write", target_, error);
            }
        }
        fail("write", target_, ERROR_FILE_EXISTS);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
        if (!committed_) ::DeleteFileW(path_.c_str());
    }

    void write(const char* data, std::size_t size) {
        while (size > 0) {
            // WriteFile takes a 32-bit count; larger pieces go in parts.
            const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
            DWORD written = 0;
            if (auto injected = injectedReason(FileOperation::write, target_)) {
                failBecause("write", target_, *injected);
            }
            if (!::WriteFile(handle_, data, chunk, &written, nullptr)) {
                fail("write", target_, ::GetLastError());
            }
            // A write that stores nothing would loop for ever; the disk is full.
            if (written == 0) fail("write", target_, ERROR_DISK_FULL);
            data += written;
            size -= written;
        }
    }

    // Closes and moves the file over the target. The move is what keeps a reader, or a run
    // killed part way, from ever seeing a part of the file; the file is not forced to the disk,
    // which would cost far more than writing it.
    void commit() {
        // The handle is released whatever the close reports, an injected failure included.
        const auto injectedClose = injectedReason(FileOperation::close, target_);
        const BOOL closed = ::CloseHandle(handle_);
        const DWORD closeError = ::GetLastError();
        handle_ = INVALID_HANDLE_VALUE;
        if (injectedClose) failBecause("write", target_, *injectedClose);
        if (!closed) fail("write", target_, closeError);

        if (auto injected = injectedReason(FileOperation::rename, target_)) {
            failBecause("write", target_, *injected);
        }
        constexpr int kAttempts = 10;
        for (int attempt = 1;; ++attempt) {
            if (::MoveFileExW(path_.c_str(), target_wide_.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                break;
            }
            const DWORD error = ::GetLastError();
            if (attempt == kAttempts || !mayClearSoon(error)) fail("write", target_, error);
            ::Sleep(20 * attempt);
        }
        committed_ = true;
    }

  private:
    std::string target_;
    std::wstring target_wide_;
    std::wstring path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool committed_ = false;
};

using BufferedSink = BufferedWriter<TemporaryFile>;

}  // namespace

std::string appDir() {
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0) {
            fail("find the program's directory from", "its module name", ::GetLastError());
        }
        if (length < module.size()) {
            module.resize(length);
            break;
        }
        module.resize(module.size() * 2);  // the name was cut short
    }
    std::size_t end = module.size();
    while (end > 0 && !isSeparator(module[end - 1])) --end;
    // The separator goes, except the one of a drive's root ("C:\").
    if (end > 0 && !(end == 3 && module[1] == L':')) --end;
    return win32::toUtf8(std::wstring_view(module).substr(0, end));
}

char pathSeparator() {
    return '\\';
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string path(dir);
    // A drive's root already ends with its separator; a second one would name nothing else but
    // reads wrong in every message.
    if (path.empty() || !isSeparator(path.back())) path += '\\';
    path += name;
    return path;
}

bool fileExists(const std::string& path) {
    const std::wstring wide = win32::toWidePath(path);
    if (wide.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

ReadResult readFile(const std::string& path) {
    const std::wstring wide = win32::toWidePath(path);
    if (wide.empty()) return {ReadStatus::missing, {}, "the name is not valid UTF-8 text"};
    if (const int injected = testing::injectedFailure(FileOperation::open, path)) {
        const bool missing = injected == ENOENT || injected == ENOTDIR;
        return {
            missing ? ReadStatus::missing : ReadStatus::unreadable, {}, std::strerror(injected)};
    }
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        return {meansMissing(error) ? ReadStatus::missing : ReadStatus::unreadable,
                {},
                systemMessage(error)};
    }
    ReadResult result{ReadStatus::ok, {}};
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
        result.bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (auto injected = injectedReason(FileOperation::read, path)) {
            return {ReadStatus::unreadable, {}, *injected};
        }
        if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got,
                        nullptr)) {
            return {ReadStatus::unreadable, {}, systemMessage(::GetLastError())};
        }
        if (got == 0) break;
        result.bytes.append(chunk.data(), got);
    }
    return result;
}

void removeFile(const std::string& path) {
    const std::wstring wide = checkedWidePath("delete", path);
    if (const int injected = testing::injectedFailure(FileOperation::remove, path)) {
        if (injected == ENOENT) return;
        failBecause("delete", path, std::strerror(injected));
    }
    if (::DeleteFileW(wide.c_str())) return;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    fail("delete", path, error);
}

void removeLeftoverTemporaries(const std::string& path) {
    const std::size_t dirLength = directoryPartLength(path);
    const std::string base = path.substr(dirLength);
    if (base.empty()) return;
    const std::string prefix = temporaryPrefix(base);
    const std::string dir = path.substr(0, dirLength);
    const std::wstring pattern = win32::toWidePath(dir + prefix + "*");
    if (pattern.empty()) return;

    std::vector<std::string> leftovers;
    WIN32_FIND_DATAW found{};
    const HANDLE listing = ::FindFirstFileW(pattern.c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = win32::toUtf8(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            isTemporaryName(name, prefix)) {
            leftovers.push_back(name);
        }
    } while (::FindNextFileW(listing, &found));
    ::FindClose(listing);
    // One that cannot go only takes room; the run's own writes say what is wrong with the
    // directory, if anything is.
    for (const std::string& name : leftovers) ::DeleteFileW(win32::toWidePath(dir + name).c_str());
}

void replaceFile(const std::string& path, const ByteProducer& produce) {
    // Moving a file over a directory fails anyway; saying so before anything is written gives
    // the clearer message. A read-only file is refused as the system refuses to overwrite or
    // delete it, whichever way the file system would take the move.
    const DWORD attributes = ::GetFileAttributesW(checkedWidePath("write", path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        failBecause("write", path, "it is a directory");
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        fail("write", path, ERROR_ACCESS_DENIED);
    }

    TemporaryFile file(path);
    BufferedSink sink(file);
    produce([&sink](std::string_view piece) { sink.put(piece.data(), piece.size()); });
    sink.flush();
    file.commit();
}

void replaceFile(const std::string& path, std::string_view bytes) {
    replaceFile(path, [bytes](const ByteSink& sink) { sink(bytes); });
}

}  // namespace platform
