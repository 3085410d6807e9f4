#include "tools/command_line/common_options.h"

#include <CLI/CLI.hpp>

#include "platform/file_identity.h"

namespace tool {

void addDescriptionFiles(CLI::App& command, std::string& lineFile, std::string& trainFile) {
    command.add_option("LINE_FILE", lineFile, "line description, X_linea.txt")->required();
    command.add_option("TRAIN_FILE", trainFile, "train description, X_Y-.txt")->required();
}

void addNameOptions(CLI::App& command, std::optional<std::string>& lineName,
                    std::optional<std::string>& trainName, const std::string& lineHelp,
                    const std::string& trainHelp) {
    addOptionalText(command, "--line-name", lineName, lineHelp);
    addOptionalText(command, "--train-name", trainName, trainHelp);
}

void addKindOption(CLI::App& command, std::optional<std::string>& kind) {
    addOptionalText(command, "--kind", kind, "what every FILE holds")
        ->check(CLI::IsMember({"plan", "train", "route"}));
}

void requireExistingFolder(CLI::Option& option, bool orMissing) {
    option.check(
        [orMissing](const std::string& path) -> std::string {
            switch (platform::fileKind(path)) {
                case platform::FileKind::directory:
                    return "";
                case platform::FileKind::regular:
                case platform::FileKind::special:
                    return "Directory is actually a file: " + path;
                case platform::FileKind::missing:
                    break;
            }
            if (const auto why = platform::unusablePath(path)) {
                return *why + " (a name of " + std::to_string(path.size()) + " bytes)";
            }
            if (orMissing) return "";
            return "Directory does not exist: " + path;
        },
        "DIR");
}

CLI::Option* addOptionalText(CLI::App& command, const std::string& name,
                             std::optional<std::string>& value, const std::string& help) {
    return command.add_option_function<std::string>(
        name, [&value](const std::string& given) { value = given; }, help);
}

}  // namespace tool
