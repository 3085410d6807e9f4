// How the compiler reaches its two input descriptions. The compiler knows nothing of where
// files live: the shell hands it one loader per description and, afterwards, deletes the
// descriptions that the compilation says it has consumed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "compiler/field_reader.h"

namespace scenario {

struct SourceFile {
    enum class State { missing, unreadable, loaded };
    State state = State::missing;
    std::string bytes;  // Windows-1252 text when loaded
};

using SourceLoader = std::function<SourceFile()>;

struct DescriptionSources {
    SourceLoader line;   // the line description
    SourceLoader train;  // the train description
};

// A description the caller already holds in memory. The loader refers to `bytes`, which must
// outlive the compilation that loads it.
inline SourceLoader inMemory(std::string_view bytes) {
    return [bytes] { return SourceFile{SourceFile::State::loaded, std::string(bytes)}; };
}

enum class Description { none, line, train };

// Where the record that caused a recorded failure stands.
struct FailureSite {
    Description file = Description::none;
    SourcePlace place;
    std::string detail;    // what went wrong, in words, for read failures
    SourcePlace record{};  // where the keyword of the record being read stands
};

}  // namespace scenario
