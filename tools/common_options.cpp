#include "tools/common_options.h"

#include <CLI/CLI.hpp>

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

CLI::Option* addOptionalText(CLI::App& command, const std::string& name,
                             std::optional<std::string>& value, const std::string& help) {
    return command.add_option_function<std::string>(
        name, [&value](const std::string& given) { value = given; }, help);
}

}  // namespace tool
