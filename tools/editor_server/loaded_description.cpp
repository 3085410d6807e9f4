#include "tools/editor_server/loaded_description.h"

#include "common/windows1252.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/input_limits.h"
#include "tools/command_line/scenario_names.h"

namespace tool::editor {
namespace {

std::string usableName(const std::optional<std::string>& name, const char* fallback) {
    return name && !nameProblem(*name) ? *name : fallback;
}

}  // namespace

Loaded load(const DescriptionInput& in) {
    Loaded out{in.path, in.uri, {}, {}, in.text, {}};
    if (in.text) {
        out.saved = bytesAsSaved(in.text->text());
        out.bytes = std::move(out.saved.bytes);
        out.saved.bytes.clear();
        if (out.bytes.size() > kMaxDescriptionBytes) {
            out.problem = in.path + ": " + std::to_string(out.bytes.size()) + " bytes, above the " +
                          std::to_string(kMaxDescriptionBytes) +
                          " bytes a description may take: it is not checked";
            out.bytes.clear();
        }
        return out;
    }
    out.problem = readDescription(in.path, out.bytes);
    if (!out.problem) {
        out.text = std::make_shared<DocumentText>(common::utf8FromWindows1252(out.bytes));
    }
    return out;
}

CheckInputs inputsOf(const Loaded& target, const Loaded* line) {
    CheckInputs inputs;
    inputs.lineFile = line ? line->path : target.path;
    inputs.lineBytes = line ? line->bytes : target.bytes;
    // The names reach only the scenario codes, which a check does not write.
    inputs.lineName = usableName(lineNameFromFile(inputs.lineFile), "LINE");
    inputs.trainName = "TRAIN";
    if (line) {
        inputs.trainFile = target.path;
        inputs.trainBytes = target.bytes;
        inputs.trainName = usableName(trainNameFromFile(target.path, inputs.lineName), "TRAIN");
    }
    return inputs;
}

}  // namespace tool::editor
