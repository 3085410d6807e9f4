#include "tools/command_line/descriptions_in_memory.h"

#include "compiler/compilation.h"
#include "tools/command_line/input_limits.h"
#include "tools/command_line/scenario_names.h"
#include "tools/command_line/unreadable_input.h"

namespace tool {

std::string notPlainFile(const std::string& path) {
    return path + ": not a plain file (serve follows a file as it is saved)";
}

std::optional<std::string> readDescription(const std::string& path, std::string& bytes,
                                           platform::FileTypes types) {
    platform::BoundedRead read = platform::readFileAtMost(path, kMaxDescriptionBytes, types);
    if (read.notPlain) return notPlainFile(path);
    if (read.tooLarge) return path + ": " + oversizedDescription(read);
    if (read.status != platform::ReadStatus::ok) {
        return unreadableInput(path, read.status, read.reason);
    }
    bytes = std::move(read.bytes);
    return std::nullopt;
}

namespace {

std::string usableName(const std::optional<std::string>& name, const char* fallback) {
    return name && !nameProblem(*name) ? *name : fallback;
}

}  // namespace

DescriptionsInMemory compileDescriptionsInMemory(const std::string& lineFile,
                                                 const std::string& trainFile) {
    const std::string lineName = usableName(lineNameFromFile(lineFile), "LINE");
    return compileDescriptionsInMemory(lineFile, trainFile, lineName,
                                       usableName(trainNameFromFile(trainFile, lineName), "TRAIN"));
}

DescriptionsInMemory compileDescriptionsInMemory(const std::string& lineFile,
                                                 const std::string& trainFile,
                                                 const std::string& lineName,
                                                 const std::string& trainName) {
    DescriptionsInMemory in;
    in.lineFile = lineFile;
    in.trainFile = trainFile;
    if (auto problem = readDescription(lineFile, in.lineBytes)) {
        in.problem = std::move(problem);
        return in;
    }
    if (auto problem = readDescription(trainFile, in.trainBytes)) {
        in.problem = std::move(problem);
        return in;
    }
    compileInMemory(in, lineName, trainName);
    return in;
}

void compileInMemory(DescriptionsInMemory& in, const std::string& lineName,
                     const std::string& trainName) {
    scenario::Compilation compilation =
        scenario::compile({lineName, trainName},
                          {scenario::inMemory(in.lineBytes), scenario::inMemory(in.trainBytes)},
                          {.observer = &in.trace});
    in.failure =
        recordedFailure(compilation.model, compilation.reading, {in.lineFile, in.trainFile},
                        DescriptionTexts{in.lineBytes, in.trainBytes});
    in.model = std::move(compilation.model);
    switch (compilation.stamp) {
        case scenario::StampResult::stamped:
            break;
        case scenario::StampResult::noRoute:
            in.problem = kNoRouteProblem;
            break;
        case scenario::StampResult::dataOverFormatStamps:
            in.problem = "data in the place of the format stamps (error 1250)";
            break;
        case scenario::StampResult::dataOverScenarioCodes:
            in.problem = "data in the place of the scenario codes (error 1251)";
            break;
    }
}

}  // namespace tool
