// Writing a compilation's files into a folder, the one way the installer and scenario-tool
// compile both take: the folder is taken (its lock held, so that no other run writes there
// meanwhile, and the temporary files a killed run left beside this run's files cleared), the
// stamps are judged, and the files are written one after the other in their order, each whole
// or not at all. The two take these steps in their own order: the installer takes its folder
// before it writes anything, the tool takes its --out folder only once it knows it will write,
// after the compilation has been judged.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/byte_sink.h"
#include "compiler/compilation.h"
#include "compiler/error_codes.h"
#include "platform/run_lock.h"

namespace output {

// The folder held for one run, from its taking to the object's end.
class TakenFolder {
  public:
    TakenFolder() = default;

    // Waits for the lock of `dir`, then deletes what replacing each of `names` in it left
    // behind when killed. Throws platform::FileError when the folder cannot be locked.
    static TakenFolder take(const std::string& dir, const std::vector<std::string>& names);

  private:
    explicit TakenFolder(platform::RunLock lock) : lock_(std::move(lock)) {}
    platform::RunLock lock_;
};

// Why a compilation's files cannot be written: its stamps found their places taken (the code
// of the stamp, 1250 or 1251), or there was no route to stamp, and the code is the one the
// readers recorded.
struct Unwritable {
    scenario::ErrorCode code;
    bool noRoute;
};

// Nothing when the compilation's files can be written.
std::optional<Unwritable> unwritable(const scenario::Compilation& compilation);

// Where a file of the given name goes.
using PathOf = std::function<std::string(const std::string& name)>;
// Stores a file's bytes at a path, whole; throws platform::FileError when it cannot.
using FileWriter = std::function<void(const std::string& path, const common::ByteProducer&)>;
// Told after each file that has been written.
using FileWritten =
    std::function<void(const scenario::CompiledFile& file, const std::string& path)>;

// Replaces the file at `path` by the bytes, as every compiled file is replaced.
void replaceWhole(const std::string& path, const common::ByteProducer& produce);

// Writes `files` in their order, each with `writeFile`. A file that cannot be written ends the
// writing with the writer's FileError: the files before it stay written, those after it are
// not touched.
void writeCompiledFiles(const std::vector<scenario::CompiledFile>& files, const PathOf& pathOf,
                        const FileWriter& writeFile = replaceWhole,
                        const FileWritten& written = {});

}  // namespace output
