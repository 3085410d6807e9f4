// The module is written to a file that lives only in memory and loaded from there, so that the
// installer stays one file that users drop into a folder: nothing is written beside it, and
// nothing is left behind however the run ends.
#include "platform/linux/window_module_loader.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

// The module's bytes, placed in the installer's read-only data by window_module_image.S.
extern "C" const unsigned char scenario_window_module_image[];
extern "C" const unsigned char scenario_window_module_image_end[];

namespace platform::x11 {

namespace {

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

MakeWindowUi* loadFromImage() {
    const int fd = ::memfd_create("genova_torino_ic514-window", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    void* module = nullptr;
    if (writeAll(fd, scenario_window_module_image,
                 static_cast<std::size_t>(scenario_window_module_image_end -
                                          scenario_window_module_image))) {
        // Local binding: the toolkit's symbols are the module's alone and can clash with
        // nothing in the installer. The mapping outlives the descriptor.
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ::close(fd);
    if (module == nullptr) return nullptr;
    // The module is never unloaded: the toolkit keeps the display and its handlers to the end.
    return reinterpret_cast<MakeWindowUi*>(::dlsym(module, kMakeWindowUiSymbol));
}

}  // namespace

MakeWindowUi* loadWindowModule() {
    // Once per process: every memory file is a new file to the dynamic loader, which would map
    // another copy of the module for each.
    static MakeWindowUi* const factory = loadFromImage();
    return factory;
}

}  // namespace platform::x11
