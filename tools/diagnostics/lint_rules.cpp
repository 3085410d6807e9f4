#include "tools/diagnostics/lint_rules.h"

#include <algorithm>
#include <array>

namespace tool {
namespace {

constexpr std::array kRules{
    LintRule{"unknown-keyword",
             "a record whose keyword the reader does not know, so it is skipped"},
    LintRule{"unknown-section", "a section heading the descriptions do not use"},
    LintRule{"field-count",
             "a record with more or fewer fields on its line than its keyword reads"},
    LintRule{"comment-read-as-fields", "text written as a comment that the reader reads as fields"},
    LintRule{"comment-run-too-long",
             "a record kept out by a comment mark that the reader reads all the same, after too "
             "many comment lines in a row"},
    LintRule{"position-order", "a position lower than the one of the record of its kind before it"},
    LintRule{"byte-order-mark", "a UTF-8 byte-order mark at the start of a description"},
    LintRule{"utf8-text", "UTF-8 characters in a description, which is read as Windows-1252"},
    LintRule{"end-before-start", "a mountain stretch or slowdown that ends at or before its start"},
    LintRule{"several-keywords", "a keyword that holds the keywords of two records at once"},
    LintRule{"speed-rounded", "a line speed that is not a multiple of 5 km/h"},
    LintRule{"missing-general-header", "a train description without its [generale] line"},
    LintRule{"before-general-header", "a record before the [generale] line, which is skipped"},
    LintRule{"repeated-setting", "a general value given twice; the later one holds"},
    LintRule{"value-out-of-range",
             "a value outside the range its field documents; the compiled files may hold "
             "another"},
    LintRule{"time-order",
             "a station's scheduled time earlier than the one of the station before it"},
    LintRule{"repeated-station", "one station name given to two stations"},
    LintRule{"zero-speed", "a speed limit of 0 km/h on the line"},
    LintRule{"start-uncovered",
             "a first speed or adhesion record after position 0, leaving the cells before it 0"},
    LintRule{"past-line-end", "an object or a slowdown that reaches past the end of the line"},
    LintRule{"missing-end-header",
             "a description that does not end with its [fine] line, as a file cut short"},
    LintRule{"missing-record", "a record a drivable scenario needs, missing"},
};

}  // namespace

std::span<const LintRule> lintRules() {
    return kRules;
}

bool isLintRule(std::string_view name) {
    return std::any_of(kRules.begin(), kRules.end(),
                       [name](const LintRule& rule) { return rule.name == name; });
}

}  // namespace tool
