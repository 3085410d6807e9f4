#include "platform/file_faults.h"

#include <stdexcept>
#include <utility>

namespace platform::testing {
namespace {

// Null unless a test has installed a hook; constant-initialised, so that no program pays for
// its construction.
constinit const FileFaultHook* activeHook = nullptr;

}  // namespace

ScopedFileFaultHook::ScopedFileFaultHook(FileFaultHook hook) : hook_(std::move(hook)) {
    if (activeHook != nullptr) throw std::logic_error("a file fault hook is already installed");
    activeHook = &hook_;
}

ScopedFileFaultHook::~ScopedFileFaultHook() {
    activeHook = nullptr;
}

int injectedFailure(FileOperation operation, const std::string& path) {
    if (activeHook == nullptr || !*activeHook) return 0;
    return (*activeHook)(operation, path);
}

}  // namespace platform::testing
