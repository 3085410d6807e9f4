// File systems of a test's own: a small one that fills up, a read-only view of a directory, or a
// file made to look empty.
// They are mounted in a mount namespace private to the test process, so that nothing else on
// the machine sees them and they go with the process however it ends; programs the test starts
// see them too. Mounting needs root with CAP_SYS_ADMIN; where it is refused (an unprivileged
// container, a normal user) the calls say why, and the tests that need them skip.
#pragma once

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace platform::testing {

// Empty once the test process has a mount namespace of its own; otherwise why it cannot.
inline std::string privateMounts() {
    static const std::string refusal = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0) {
            return std::string("no mount namespace of our own: ") + std::strerror(errno);
        }
        // Without this the mounts below would propagate back to the machine's namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return std::string("cannot make the mounts private: ") + std::strerror(errno);
        }
        return {};
    }();
    return refusal;
}

// A mount over a directory or a file, undone when the object goes, so that the directory can be
// removed and the file is seen again.
class ScratchMount {
  public:
    // Over `dir`, a file system in memory that holds at most `bytes`.
    static ScratchMount smallFileSystem(const std::string& dir, std::size_t bytes) {
        ScratchMount mount(dir);
        if (!(mount.refusal_ = privateMounts()).empty()) return mount;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            mount.refusal_ =
                std::string("cannot mount a small file system: ") + std::strerror(errno);
        } else {
            mount.mounted_ = true;
        }
        return mount;
    }

    // `dir` seen read-only through a bind mount of itself: writes fail with EROFS, whoever
    // makes them, root included.
    static ScratchMount readOnly(const std::string& dir) {
        ScratchMount mount(dir);
        if (!(mount.refusal_ = privateMounts()).empty()) return mount;
        if (::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            mount.refusal_ = std::string("cannot bind a directory: ") + std::strerror(errno);
            return mount;
        }
        mount.mounted_ = true;
        if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0) {
            mount.refusal_ =
                std::string("cannot make a bind mount read-only: ") + std::strerror(errno);
        }
        return mount;
    }

    // `file` seen empty through a bind mount of /dev/null over it: a library there is still
    // found by the dynamic loader, which then fails to load it, as on a machine without it.
    static ScratchMount emptied(const std::string& file) {
        ScratchMount mount(file);
        if (!(mount.refusal_ = privateMounts()).empty()) return mount;
        if (::mount("/dev/null", file.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            mount.refusal_ = std::string("cannot bind over a file: ") + std::strerror(errno);
        } else {
            mount.mounted_ = true;
        }
        return mount;
    }

    ScratchMount(ScratchMount&& other) noexcept
        : dir_(std::move(other.dir_)),
          refusal_(std::move(other.refusal_)),
          mounted_(std::exchange(other.mounted_, false)) {}
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    ScratchMount& operator=(ScratchMount&&) = delete;
    ~ScratchMount() { unmount(); }

    // Empty when the mount is in place; otherwise why it is not.
    const std::string& refusal() const { return refusal_; }

    void unmount() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
        mounted_ = false;
    }

  private:
    explicit ScratchMount(std::string dir) : dir_(std::move(dir)) {}

    std::string dir_;
    std::string refusal_;
    bool mounted_ = false;
};

}  // namespace platform::testing
