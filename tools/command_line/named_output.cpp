#include "tools/command_line/named_output.h"

#include "platform/file_identity.h"
#include "platform/stream_output.h"

namespace tool {

void writeNamedOutput(const std::string& path, const platform::ByteProducer& produce) {
    switch (platform::fileKind(path)) {
        case platform::FileKind::special:
            platform::writeIntoExisting(path, produce);
            return;
        case platform::FileKind::directory:
            throw platform::FileError("cannot write " + path + ": it is a directory");
        case platform::FileKind::regular:
            if (platform::isSymbolicLink(path)) {
                // Replacing the link by a file would silently cut it from the file it names;
                // the file it names is replaced instead, whole, as any output is.
                const std::optional<std::string> target = platform::resolvedPath(path);
                if (!target) {
                    throw platform::FileError("cannot write " + path +
                                              ": the link cannot be followed");
                }
                platform::replaceFile(*target, produce);
                return;
            }
            break;
        case platform::FileKind::missing:
            if (platform::isSymbolicLink(path)) {
                throw platform::FileError("cannot write " + path +
                                          ": it is a symbolic link to nothing");
            }
            break;
    }
    platform::replaceFile(path, produce);
}

void writeNamedOutput(const std::string& path, std::string_view bytes) {
    writeNamedOutput(path, [bytes](const platform::ByteSink& sink) { sink(bytes); });
}

std::optional<std::string> outputIsInput(const std::string& path,
                                         const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (path == input || platform::sameFile(path, input)) {
            return path == input ? path + " is also an input; it is left unchanged"
                                 : path + " is the input " + input +
                                       " under another name; it is left unchanged";
        }
    }
    return std::nullopt;
}

}  // namespace tool
