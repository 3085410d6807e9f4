// Options that several commands of scenario-tool take in the same words.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tool {

// LINE_FILE and TRAIN_FILE, the pair of descriptions a command reads; both required.
void addDescriptionFiles(CLI::App& command, std::string& lineFile, std::string& trainFile);

// --line-name and --train-name, the names that stand for those the file names give.
void addNameOptions(CLI::App& command, std::optional<std::string>& lineName,
                    std::optional<std::string>& trainName,
                    const std::string& lineHelp = "line name X, instead of LINE_FILE's",
                    const std::string& trainHelp = "train name Y, instead of TRAIN_FILE's");

// --kind: what every compiled FILE holds, plan, train or route, instead of what its name says.
void addKindOption(CLI::App& command, std::optional<std::string>& kind);

// Makes `option` take an existing folder, as CLI11's ExistingDirectory does, but tell a name
// that the system cannot take at all (too long) in its own words rather than as a folder that
// does not exist. With `orMissing`, a name that nothing has yet is taken as well: the command
// makes the folder when it writes.
void requireExistingFolder(CLI::Option& option, bool orMissing = false);

// An option with one value that, when given, lands in `value`; left out, `value` stays empty.
CLI::Option* addOptionalText(CLI::App& command, const std::string& name,
                             std::optional<std::string>& value, const std::string& help);

}  // namespace tool
