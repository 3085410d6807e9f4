#include "tools/command_line/new_command.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <span>
#include <system_error>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "platform/files.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/named_output.h"
#include "tools/command_line/starter_scenario.h"
#include "tools/command_line/terminal_text.h"

namespace tool {
namespace {

// A name goes into file names and the compiled files: ASCII letters, digits and '_' keep it the
// same on every system and in every code page.
bool usableName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

}  // namespace

int runNew(const NewOptions& options, std::ostream& out, std::ostream& err) {
    namespace content = scenario::content;
    for (const std::string* name : {&options.lineName, &options.trainName}) {
        if (!usableName(*name)) {
            err << "scenario-tool: " << shownText(*name)
                << ": a name is 1 to 64 ASCII letters, digits or '_'\n";
            return kExitNothingWritten;
        }
    }
    const struct {
        std::string path;
        std::span<const std::string_view> lines;
    } descriptions[] = {
        {platform::joinPath(options.dir, content::lineDescriptionName(options.lineName)),
         starterLineDescription()},
        {platform::joinPath(options.dir,
                            content::trainDescriptionName(options.lineName, options.trainName)),
         starterTrainDescription()},
    };
    std::error_code error;
    for (const auto& d : descriptions) {
        if (!options.replace && std::filesystem::symlink_status(d.path, error).type() !=
                                    std::filesystem::file_type::not_found) {
            err << "scenario-tool: " << shownText(d.path)
                << ": already there; nothing written (--force replaces it)\n";
            return kExitNothingWritten;
        }
    }
    std::filesystem::create_directories(options.dir, error);
    if (error) {
        err << "scenario-tool: " << shownText(options.dir)
            << ": cannot make the folder: " << error.message() << '\n';
        return kExitNothingWritten;
    }
    for (const auto& d : descriptions) {
        try {
            writeNamedOutput(d.path, content::encodeDocument(d.lines));
        } catch (const platform::FileError& e) {
            err << "scenario-tool: " << shownText(e.what()) << '\n';
            return kExitOutputFailed;
        }
        out << shownText(d.path) << '\n';
    }
    return kExitCompiled;
}

}  // namespace tool
