// The files a user names as outputs. A plain file is replaced whole, as every compiled file
// is; anything else the name may lead to is written into or refused, never replaced: a device
// or a FIFO is written into as a shell's redirection would, a symbolic link to a plain file
// has the file it names replaced and stays a link, a directory or a link to nothing is
// refused. An output that is one of the command's inputs is refused before anything is read
// into its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace tool {

// Writes the output `path` as above. Throws platform::FileError ("cannot write PATH: REASON").
void writeNamedOutput(const std::string& path, const platform::ByteProducer& produce);
void writeNamedOutput(const std::string& path, std::string_view bytes);

// What to tell when the output `path` is one of `inputs` (by its name, a link or another name
// of the same file); nothing when it is none of them.
std::optional<std::string> outputIsInput(const std::string& path,
                                         const std::vector<std::string>& inputs);

}  // namespace tool
