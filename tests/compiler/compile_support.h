// Compiles description texts held in the test through the compiler's one entry, as the
// installer does.
#pragma once

#include <optional>
#include <string>

#include "compiler/compilation.h"
#include "tests/compiler/error_code_printer.h"

namespace scenario::testing {

inline SourceLoader loaderOf(std::optional<std::string> text) {
    return [text] { return text ? SourceFile{SourceFile::State::loaded, *text} : SourceFile{}; };
}

// Lines joined with CR LF after each.
inline std::string lines(std::initializer_list<const char*> ls) {
    std::string out;
    for (const char* l : ls) {
        out += l;
        out += "\r\n";
    }
    return out;
}

inline Compilation compile(std::optional<std::string> line, std::optional<std::string> train,
                           std::int32_t j = 1) {
    return scenario::compile({"GENOVA_TORINO", "IC514"}, {loaderOf(line), loaderOf(train)},
                             {.makeTrackPlan = j});
}

// A 10,000 m line without records: planLength 17000, lastCell 340.
inline std::string shortLine(const std::string& records = "") {
    return "[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\n" + records + "[fine]\r\n";
}

inline std::string train(const std::string& records = "") {
    return "[generale]\r\n" + records + "[fine]\r\n";
}

}  // namespace scenario::testing
