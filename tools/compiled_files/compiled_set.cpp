#include "tools/compiled_files/compiled_set.h"

#include <filesystem>

#include "platform/bounded_read.h"
#include "platform/files.h"
#include "tools/command_line/input_limits.h"

namespace tool {
namespace {

template <class Table>
void keep(LoadedFile& file, std::variant<Table, FileFault> read) {
    if (auto* fault = std::get_if<FileFault>(&read)) {
        file.fault = std::move(*fault);
    } else {
        file.table = std::move(std::get<Table>(read));
    }
}

bool belongsTo(const LoadedFile& candidate, const LoadedFile& file, CompiledKind wanted,
               const std::string& planPath) {
    if (candidate.kind != wanted || !candidate.usable()) return false;
    std::error_code ignored;
    if (wanted == CompiledKind::plan) {
        return std::filesystem::path(candidate.path).filename() ==
               std::filesystem::path(planPath).filename();
    }
    return file.kind == CompiledKind::route ? sameScenario(file.path, candidate.path)
                                            : sameScenario(candidate.path, file.path);
}

std::uint64_t largestOfKind(CompiledKind kind) {
    switch (kind) {
        case CompiledKind::route:
            return kMaxRouteBytes;
        case CompiledKind::train:
            return kMaxTrainBytes;
        case CompiledKind::plan:
            break;
    }
    return kMaxPlanBytes;
}

}  // namespace

LoadedFile loadCompiledFile(const std::string& path, CompiledKind kind) {
    LoadedFile file;
    file.path = path;
    file.kind = kind;
    // A file larger than any compilation gives is told damaged from its size alone, before
    // a byte of it is read.
    const std::uint64_t largest = largestOfKind(kind);
    platform::BoundedRead read = platform::readFileAtMost(path, largest);
    if (read.status != platform::ReadStatus::ok) {
        file.problem = read.status == platform::ReadStatus::missing
                           ? std::string("no such file")
                           : "cannot be read" + (read.reason.empty() ? "" : ": " + read.reason);
        return file;
    }
    if (read.tooLarge) {
        file.fault = FileFault{(read.sizeExact ? std::to_string(read.size) + " bytes, more"
                                               : std::string("more bytes")) +
                                   " than the largest " + std::string(kindWord(kind)) +
                                   " file, that of a line of 1,000,000 m (" +
                                   std::to_string(largest) + " bytes)",
                               static_cast<std::size_t>(largest), std::nullopt, std::nullopt};
        return file;
    }
    switch (kind) {
        case CompiledKind::route:
            keep(file, readRouteFile(read.bytes));
            break;
        case CompiledKind::train:
            keep(file, readTrainFile(read.bytes));
            break;
        case CompiledKind::plan:
            keep(file, readPlanFile(read.bytes));
            break;
    }
    return file;
}

std::optional<LoadedFile> findCompanion(const LoadedFile& file, CompiledKind wanted,
                                        const std::vector<LoadedFile>& given,
                                        const std::string& lineName) {
    if (wanted == CompiledKind::plan && lineName.empty()) return std::nullopt;
    const std::string besidePath = wanted == CompiledKind::plan
                                       ? planPathBeside(file.path, lineName)
                                       : companionPath(file.path, wanted);
    for (const LoadedFile& candidate : given) {
        if (belongsTo(candidate, file, wanted, besidePath)) return candidate;
    }
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(besidePath, ignored)) return std::nullopt;
    LoadedFile beside = loadCompiledFile(besidePath, wanted);
    if (!beside.usable()) return std::nullopt;
    return beside;
}

}  // namespace tool
