#include "tools/diagnostics/consequences.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "tools/diagnostics/range_checks.h"

namespace tool {
namespace {

using Place = std::tuple<std::string, int, int>;  // file, line, column

constexpr std::string_view kFieldCount = "field-count";

RelatedPlace causeOf(const Diagnostic& w) {
    return {w.file, w.line, w.column,
            "follows from the shifted fields of the record at " + w.file + ":" +
                std::to_string(w.line) + ":" + std::to_string(w.column)};
}

// A warning about the value of a field, told again by the compiler's error at the same field.
bool foldedIntoError(const Diagnostic& d, const std::set<Place>& errorPlaces) {
    return d.severity == Severity::warning && d.rule == kValueOutOfRange && d.line > 0 &&
           errorPlaces.count({d.file, d.line, d.column}) > 0;
}

}  // namespace

std::size_t linkConsequences(std::vector<Diagnostic>& diagnostics) {
    std::set<Place> errorPlaces;
    // The field-count warning of each line, and of each line a record takes fields from.
    std::map<std::pair<std::string, int>, const Diagnostic*> shifted;
    std::map<std::pair<std::string, int>, const Diagnostic*> takenFrom;
    for (const Diagnostic& d : diagnostics) {
        if (d.severity == Severity::error && d.line > 0)
            errorPlaces.insert({d.file, d.line, d.column});
        if (d.rule != kFieldCount || d.line <= 0) continue;
        shifted.try_emplace({d.file, d.line}, &d);
        for (const RelatedPlace& r : d.related) takenFrom.try_emplace({r.file, r.line}, &d);
    }
    std::vector<RelatedPlace> causes(diagnostics.size());
    std::vector<bool> follows(diagnostics.size(), false);
    for (std::size_t i = 0; i < diagnostics.size(); ++i) {
        const Diagnostic& d = diagnostics[i];
        if (d.rule == kFieldCount || d.line <= 0) continue;
        const Diagnostic* cause = nullptr;
        if (const auto it = shifted.find({d.file, d.line}); it != shifted.end()) {
            const bool after = d.severity == Severity::error || d.column >= it->second->column;
            if (after) cause = it->second;
        }
        if (const auto it = takenFrom.find({d.file, d.line}); !cause && it != takenFrom.end()) {
            cause = it->second;
        }
        if (cause) {
            causes[i] = causeOf(*cause);
            follows[i] = true;
        }
    }
    for (std::size_t i = 0; i < diagnostics.size(); ++i) {
        if (follows[i]) diagnostics[i].followsFrom = std::move(causes[i]);
    }
    const auto folded =
        std::remove_if(diagnostics.begin(), diagnostics.end(),
                       [&](const Diagnostic& d) { return foldedIntoError(d, errorPlaces); });
    const auto count = static_cast<std::size_t>(diagnostics.end() - folded);
    diagnostics.erase(folded, diagnostics.end());
    return count;
}

}  // namespace tool
