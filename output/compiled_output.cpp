#include "output/compiled_output.h"

#include "compiler/memorizza_percorso.h"
#include "platform/files.h"

namespace output {

TakenFolder TakenFolder::take(const std::string& dir, const std::vector<std::string>& names) {
    TakenFolder folder(platform::lockDirectory(dir));
    // None of these is in use now: the lock keeps every other run out of the folder.
    for (const std::string& name : names) {
        platform::removeLeftoverTemporaries(platform::joinPath(dir, name));
    }
    return folder;
}

std::optional<Unwritable> unwritable(const scenario::Compilation& compilation) {
    if (compilation.stamp == scenario::StampResult::stamped) return std::nullopt;
    if (const auto stamp = scenario::stampFailure(compilation.stamp)) {
        return Unwritable{*stamp, false};
    }
    // Only when there was no route to stamp; the code the readers recorded says why.
    return Unwritable{compilation.model.error.errorCode, true};
}

void replaceWhole(const std::string& path, const common::ByteProducer& produce) {
    platform::replaceFile(path, produce);
}

void writeCompiledFiles(const std::vector<scenario::CompiledFile>& files, const PathOf& pathOf,
                        const FileWriter& writeFile, const FileWritten& written) {
    for (const scenario::CompiledFile& file : files) {
        const std::string path = pathOf(file.name);
        writeFile(path, file.produce);
        if (written) written(file, path);
    }
}

}  // namespace output
