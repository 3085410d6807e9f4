// `scenario-tool serve`: a live viewer of a pair of descriptions in the browser. The server
// follows the files as the author saves them, compiles them again in memory (it never writes a
// compiled file) and tells the page at once.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace tool {

inline constexpr int kDefaultViewerPort = 8700;

struct ServeOptions {
    std::string lineFile;
    std::string trainFile;
    std::optional<std::string> lineName;  // otherwise from the file names
    std::optional<std::string> trainName;
    std::string listen = "127.0.0.1";
    int port = kDefaultViewerPort;  // 0: any free port
};

// Exit status: 0 stopped by Ctrl-C (or SIGTERM), 2 a description cannot be read at the start or is
// not a plain file, or the address cannot be listened on, 3 the address could not be written to
// standard output, 4 internal error.
int runServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tool
