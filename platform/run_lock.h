// One run at a time in a directory. Two copies of the installer started together in one folder
// (a double double-click) would write the same files and delete each other's descriptions while
// the other reads them; a run holds the directory's lock from before its first file to its end,
// and a second run waits for it, then does its whole job.
//
// The lock is no file of the scenario and leaves nothing in the folder: on Linux it is a lock on
// a descriptor of the directory itself; on Windows a session mutex named from the folder's
// identity on its volume, released when the run ends, however it ends. Its descriptor or handle
// stays open for the whole run,
// beside the one scenario file that is open at a time.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class RunLock {
  public:
    // Holds nothing.
    RunLock() = default;
    // Takes over the platform's descriptor or handle of a lock already held.
    explicit RunLock(std::intptr_t handle) noexcept : handle_(handle) {}
    RunLock(RunLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    RunLock& operator=(RunLock&& other) noexcept {
        if (this != &other) {
            release();
            handle_ = other.handle_;
            other.handle_ = kNone;
        }
        return *this;
    }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    // Releases the lock; a process that ends without it releases it all the same.
    ~RunLock() { release(); }

    bool held() const { return handle_ != kNone; }

  private:
    static constexpr std::intptr_t kNone = -1;
    void release() noexcept;
    std::intptr_t handle_ = kNone;
};

// Takes the exclusive lock of `dir`, waiting for as long as another process holds it. Throws
// FileError, naming the directory and the reason, when the directory cannot be locked (it does
// not exist, or cannot be opened). On a file system that keeps no locks (some network shares)
// the returned lock holds nothing and the run goes on alone, as it would have without one.
RunLock lockDirectory(const std::string& dir);

}  // namespace platform
