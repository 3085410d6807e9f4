// A line and a train description read from disk and compiled in memory, nothing written: what
// `diff` compares and what a viewer that follows the files as they are saved can draw.
#pragma once

#include <optional>
#include <string>

#include "compiler/scenario_model.h"
#include "platform/bounded_read.h"
#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/failure_report.h"

namespace tool {

struct DescriptionsInMemory {
    std::string lineFile;  // the paths as given
    std::string trainFile;
    std::string lineBytes;  // Windows-1252, as read
    std::string trainBytes;
    scenario::ScenarioModel model;  // compiled and stamped, when `problem` is empty
    RecordTrace trace;              // what the compilation read and where it placed each object
    // The failure the compiler recorded, if any; the model then holds what it made before.
    std::optional<RecordedFailure> failure;
    // Why there is no model to use: a description cannot be read or is too large, or the
    // descriptions give no route, or data stands in the place of the stamps.
    std::optional<std::string> problem;
};

// Reads both descriptions (at most the tool's description limit each) and compiles them with
// the track plan. The names come from the files' names (X_linea.txt, X_Y-.txt) where they
// give usable ones, else "LINE" and "TRAIN": they reach only the scenario codes.
DescriptionsInMemory compileDescriptionsInMemory(const std::string& lineFile,
                                                 const std::string& trainFile);

// The same under the names given.
DescriptionsInMemory compileDescriptionsInMemory(const std::string& lineFile,
                                                 const std::string& trainFile,
                                                 const std::string& lineName,
                                                 const std::string& trainName);

// Why there is no model to use when the readers stopped before the route was made.
inline constexpr const char* kNoRouteProblem = "the descriptions give no route";

// Compiles `in.lineBytes` and `in.trainBytes`, already read, under the names given, tracing
// the compilation into `in.trace`.
void compileInMemory(DescriptionsInMemory& in, const std::string& lineName,
                     const std::string& trainName);

// Reads one description, at most the tool's description limit: the bytes, or why not. Every
// command reads its descriptions through here, so that a description above the limit is
// refused from its size before a byte of it is read, and a pipe or a device is read no further
// than the limit. With FileTypes::plainOnly (a reader that must never wait) a FIFO or a device
// is refused without being read, as notPlainFile says.
std::optional<std::string> readDescription(const std::string& path, std::string& bytes,
                                           platform::FileTypes types = platform::FileTypes::any);

// The words for a description that is not a plain file, for a reader that takes plain files
// alone.
std::string notPlainFile(const std::string& path);

}  // namespace tool
