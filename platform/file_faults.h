// For tests only: watches the platform's operations on files and makes chosen ones fail the way
// a full disk, a failing device or a refused permission would, so that the failure paths of the
// installer and the tools can be run one operation at a time. No program installs a hook; with
// none installed every operation pays one test of a null pointer.
#pragma once

#include <functional>
#include <string>

namespace platform::testing {

enum class FileOperation {
    create,  // a temporary file is created beside the file it will replace
    write,   // bytes go to the temporary file
    close,   // the temporary file is closed
    rename,  // the temporary file takes the place of its target
    remove,  // a file is deleted
    open,    // a file is opened for reading
    read,    // bytes are read from it
};

// Called before each operation with the path it concerns (for the operations on a temporary
// file, the path of the file it will replace). Returns 0 to let the operation run, or an errno
// value that the operation then fails with, as if the system had returned it.
using FileFaultHook = std::function<int(FileOperation operation, const std::string& path)>;

// Installs `hook` for as long as the object lives. One at a time: hooks do not nest.
class ScopedFileFaultHook {
  public:
    explicit ScopedFileFaultHook(FileFaultHook hook);
    ~ScopedFileFaultHook();
    ScopedFileFaultHook(const ScopedFileFaultHook&) = delete;
    ScopedFileFaultHook& operator=(const ScopedFileFaultHook&) = delete;

  private:
    FileFaultHook hook_;
};

// For the file operations themselves: the errno value the installed hook asks `operation` on
// `path` to fail with, or 0.
int injectedFailure(FileOperation operation, const std::string& path);

}  // namespace platform::testing
