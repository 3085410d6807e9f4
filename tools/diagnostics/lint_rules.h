// The warnings `check` and `compile` give about what compiles but is almost certainly not
// meant: each has a stable name that -Wno-NAME turns off and --werror makes an error.
#pragma once

#include <span>
#include <string_view>

namespace tool {

struct LintRule {
    std::string_view name;
    std::string_view summary;  // what it finds, in one line
};

std::span<const LintRule> lintRules();

// Whether `name` is a warning's name.
bool isLintRule(std::string_view name);

}  // namespace tool
