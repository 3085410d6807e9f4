// A fresh, empty directory under the system's temporary directory (TMPDIR when set), removed
// with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace bench {

class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace bench
