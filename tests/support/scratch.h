// Shared by the tests of every folder, on Linux and Windows alike: a scratch directory, the
// names in a directory, and whole files read and written. Paths cross these helpers as UTF-8
// text, as the programs' own do; on Windows a narrow path would be taken in the machine's code
// page instead, and name another file.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace test_support {

inline std::filesystem::path utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

inline std::string utf8String(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The names of every entry in `dir`, hidden ones included.
inline std::set<std::string> listing(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(utf8String(entry.path().filename()));
    }
    return names;
}

// A fresh directory under the system's temporary directory, open to its owner only, and removed
// with everything in it when the test ends. `prefix` starts its name, so that what a killed test
// left tells whose it was.
class TempDir {
  public:
    explicit TempDir(const std::string& prefix = "scenario-test") {
        namespace fs = std::filesystem;
        const fs::path base = fs::temp_directory_path();
        // Seeded from the system's random source and the clock, so that test programs started
        // together do not walk the same names.
        std::mt19937_64 names(std::random_device{}() ^
                              static_cast<std::uint64_t>(
                                  std::chrono::steady_clock::now().time_since_epoch().count()));
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = base / utf8Path(prefix + "-" + std::to_string(names() % 1000000000));
            if (fs::create_directory(path_)) {
                std::error_code ignored;
                fs::permissions(path_, fs::perms::owner_all, ignored);
                return;
            }
        }
        throw std::runtime_error("cannot make a scratch directory in " + utf8String(base));
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        // A test may have taken the owner's rights away to see a write refused.
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
#ifdef _WIN32
        // In the \\?\ form, which reaches past the classic path length limit too.
        fs::remove_all(L"\\\\?\\" + path_.wstring(), ignored);
#else
        fs::remove_all(path_, ignored);
#endif
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const {
        return path_;
    }
    std::string str() const {
        return utf8String(path_);
    }
    std::string file(const std::string& name) const {
        return utf8String(path_ / utf8Path(name));
    }
    std::set<std::string> listing() const {
        return test_support::listing(path_);
    }

  private:
    std::filesystem::path path_;
};

// The whole of a file's bytes; a file that cannot be opened is a failure of the test, not an
// empty file.
inline std::string slurp(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    // In pieces of the stream's buffer, not byte by byte: some tests compare megabytes.
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

// Makes or replaces the file at `path` to hold exactly `bytes`.
inline void spit(const std::string& path, std::string_view bytes) {
    std::ofstream out(utf8Path(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace test_support
