#include "tools/command_line/write_sources_command.h"

#include <filesystem>
#include <span>
#include <string_view>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "platform/files.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/named_output.h"
#include "tools/command_line/terminal_text.h"

namespace tool {

int runWriteSources(const std::string& dir, std::ostream& out, std::ostream& err) {
    namespace content = scenario::content;
    std::error_code ignored;
    if (!std::filesystem::is_directory(dir, ignored)) {
        err << "scenario-tool: " << dir << ": no such directory\n";
        return kExitNothingWritten;
    }
    const std::string_view line = content::kLineName;
    const std::string_view train = content::kTrainName;
    const struct {
        std::string name;
        std::span<const std::string_view> lines;
    } documents[] = {
        {content::lineDescriptionName(line), content::lineDescription()},
        {content::trainDescriptionName(line, train), content::trainDescription()},
        {content::notesName(line, train), content::notes()},
        {content::slowdownOrderName(line, train), content::slowdownOrder()},
        {content::timetableSheetName(line, train), content::timetableSheet()},
    };
    for (const auto& document : documents) {
        const std::string path = platform::joinPath(dir, document.name);
        try {
            writeNamedOutput(path, content::encodeDocument(document.lines));
        } catch (const platform::FileError& e) {
            err << "scenario-tool: " << e.what() << '\n';
            return kExitOutputFailed;
        }
        out << shownText(path) << '\n';
    }
    return kExitCompiled;
}

}  // namespace tool
