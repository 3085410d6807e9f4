#include "tools/editor_server/description_check.h"

#include <algorithm>
#include <cstdio>

#include "common/windows1252.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/input_limits.h"
#include "tools/command_line/scenario_names.h"
#include "tools/diagnostics/check_command.h"
#include "tools/diagnostics/check_errors.h"
#include "tools/diagnostics/consequences.h"
#include "tools/diagnostics/lint.h"
#include "tools/diagnostics/plausibility_checks.h"
#include "tools/diagnostics/range_checks.h"
#include "tools/editor_server/compiled_cells.h"
#include "tools/editor_server/explanation_links.h"
#include "tools/editor_server/loaded_description.h"
#include "tools/editor_server/record_line.h"
#include "tools/editor_server/saved_bytes.h"
#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

constexpr int kError = 1;
constexpr int kWarning = 2;
constexpr int kInformation = 3;

json diagnostic(const json& range, int severity, std::string_view code,
                const std::string& message) {
    return {{"range", range},
            {"severity", severity},
            {"code", code},
            {"source", "scenario-tool"},
            {"message", message}};
}

// The range of a place that a failure about a position names: a record's keyword with its
// position, the first value, when the place is the keyword; otherwise the field there.
json placeRange(const DocumentText& text, int line, int column, DescriptionKind kind,
                PositionEncoding encoding) {
    if (line >= 1 && static_cast<std::size_t>(line) <= text.lineCount()) {
        const auto index = static_cast<std::size_t>(line - 1);
        const std::string_view row = text.line(index);
        const RecordLine read = readRecordLine(row, kind);
        const std::size_t at =
            byteOffsetOfCharacter(row, column > 1 ? static_cast<std::size_t>(column - 1) : 0);
        if (read.kind == RecordLine::Kind::record && !read.values.empty() &&
            at == read.keyword.begin) {
            return bytesRange(text, index, read.keyword.begin, read.values.front().end, encoding);
        }
    }
    return fieldRange(text, line, column, encoding);
}

class Publisher {
  public:
    Publisher(const Loaded& target, DescriptionKind kind, const Loaded* line,
              const DiagnosticStyle& style)
        : target_(target), kind_(kind), line_(line), style_(style) {}

    json from(const Diagnostic& d) const {
        const bool aboutPosition = d.severity == Severity::error && d.position.has_value();
        const json range = aboutPosition
                               ? placeRange(*target_.text, d.line, d.column, kind_, style_.encoding)
                               : fieldRange(*target_.text, d.line, d.column, style_.encoding);
        std::string message;
        if (d.severity == Severity::error && d.code != scenario::ErrorCode::none) {
            message = "error " + std::to_string(scenario::codeNumber(d.code));
            if (d.position) message += " at " + std::to_string(*d.position) + " m";
            message += ": ";
        }
        message += d.message;
        if (d.heldBy && d.heldBy->file.empty()) message += "\nnote: " + d.heldBy->message;
        for (const RelatedPlace& r : d.related) message += "\nnote: " + r.message;
        if (d.followsFrom) message += "\nnote: " + d.followsFrom->message;
        if (d.afterSkip) message += "\nnote: found after leaving out an earlier failing record";
        if (!d.hint.empty()) message += "\nhint: " + d.hint;
        json out =
            diagnostic(range, d.severity == Severity::error ? kError : kWarning, d.rule, message);
        if (style_.docs) {
            if (const auto link = explanationLink(d, *style_.docs)) {
                out["codeDescription"] = {{"href", *link}};
            }
        }
        json related = json::array();
        if (d.heldBy) addRelated(*d.heldBy, related);
        for (const RelatedPlace& r : d.related) addRelated(r, related);
        if (d.followsFrom) addRelated(*d.followsFrom, related);
        if (!related.empty()) out["relatedInformation"] = std::move(related);
        if (d.replacement && d.replacement->line > 0) {
            const Replacement& r = *d.replacement;
            out["data"] = {{"replacement",
                            {{"range", columnsRange(*target_.text, r.line, r.column, r.length,
                                                    style_.encoding)},
                             {"newText", common::utf8FromWindows1252(r.text)}}}};
        }
        return out;
    }

  private:
    // A place in one of the two descriptions, as the editor links to it; a place in no file
    // the check read, or on no line, is told in the message alone.
    void addRelated(const RelatedPlace& place, json& related) const {
        if (place.file.empty() || place.line <= 0) return;
        const Loaded* file = byPath(place.file);
        if (!file) return;
        related.push_back({{"location",
                            {{"uri", file->uri},
                             {"range", placeRange(*file->text, place.line, place.column,
                                                  kindOf(*file), style_.encoding)}}},
                           {"message", place.message}});
    }

    DescriptionKind kindOf(const Loaded& file) const {
        return &file == &target_ ? kind_ : DescriptionKind::line;
    }

    const Loaded* byPath(const std::string& path) const {
        if (path == target_.path) return &target_;
        if (line_ && path == line_->path && line_->text) return line_;
        return nullptr;
    }

    const Loaded& target_;
    DescriptionKind kind_;
    const Loaded* line_;
    const DiagnosticStyle& style_;
};

void addUnsavable(const Loaded& target, const DiagnosticStyle& style, json& out) {
    for (const UnsavableCharacter& u : target.saved.unsavable) {
        const std::size_t line = u.line;
        const std::string_view text = target.text->line(line);
        const std::size_t from = byteOffsetOfCharacter(text, u.character);
        const std::size_t to = byteOffsetOfCharacter(text, u.character + 1);
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(u.code));
        const std::string shown(text.substr(from, to - from));
        json d = diagnostic(
            bytesRange(*target.text, line, from, to, style.encoding), kError, "not-windows-1252",
            "\"" + shown + "\" (" + name +
                ") has no Windows-1252 form: a description saved in its code page cannot hold "
                "it, and it is checked as \"?\"");
        if (style.docs)
            d["codeDescription"] = {{"href", *style.docs + "format.md#how-a-description-is-read"}};
        out.push_back(std::move(d));
    }
    if (target.saved.unsavableCount > target.saved.unsavable.size()) {
        out.push_back(diagnostic(
            bytesRange(*target.text, 0, 0, 0, style.encoding), kError, "not-windows-1252",
            std::to_string(target.saved.unsavableCount) +
                " characters have no Windows-1252 form; the first " +
                std::to_string(target.saved.unsavable.size()) + " are marked"));
    }
}

json notChecked(const DiagnosticStyle& style, const DocumentText& text, int severity,
                std::string_view code, const std::string& message) {
    return json::array(
        {diagnostic(bytesRange(text, 0, 0, 0, style.encoding), severity, code, message)});
}

// What `check` takes: the target alone for a line description, else the target with its line.
// A train description checked with a failing line description is told so once, at its start,
// with the line's first error to follow.
json lineErrorsTold(const Loaded& target, const Loaded& line,
                    const std::vector<const Diagnostic*>& errors, const DiagnosticStyle& style) {
    const Diagnostic& first = *errors.front();
    json d = diagnostic(bytesRange(*target.text, 0, 0, 0, style.encoding), kInformation,
                        "line-description-errors",
                        "the line description has " + std::to_string(errors.size()) +
                            (errors.size() == 1 ? " error" : " errors") +
                            "; this train description is checked with those records left out");
    d["relatedInformation"] = json::array(
        {{{"location",
           {{"uri", line.uri},
            {"range", fieldRange(*line.text, first.line, first.column, style.encoding)}}},
          {"message", first.message}}});
    return d;
}

}  // namespace

CheckedDescription checkDescription(const CheckOrder& order, const DiagnosticStyle& style) {
    // A pair that is not compiled is kept as such too: the hover then knows there is nothing
    // to show rather than compile it again.
    std::shared_ptr<CompiledPair> pair;
    if (order.kind == DescriptionKind::train && order.line) {
        pair = std::make_shared<CompiledPair>(pairOf(order));
    }
    const Loaded target = load(order.target);
    if (target.problem) {
        return {
            notChecked(style, *order.target.text, kError, "description-too-large", *target.problem),
            pair};
    }
    const bool isLine = order.kind == DescriptionKind::line;
    std::optional<Loaded> line;
    if (!isLine) {
        if (!order.line) {
            return {notChecked(style, *target.text, kWarning, "no-line-description",
                               "no line description beside this train description (looked for " +
                                   order.expectedLine +
                                   "): a train description is checked with its line description"),
                    pair};
        }
        line = load(*order.line);
        if (line->problem) {
            return {notChecked(style, *target.text, kWarning, "no-line-description",
                               "the line description cannot be checked with it: " + *line->problem),
                    pair};
        }
    }

    const CheckInputs inputs = inputsOf(target, line ? &*line : nullptr);
    const ErrorScan scan = findErrors(inputs, kErrorLimit);
    if (pair) {
        pair->trace = scan.trace;
        pair->compiled = scan.compiled;
    }
    std::vector<Diagnostic> found;
    std::vector<const Diagnostic*> lineErrors;
    for (const Diagnostic& d : scan.errors) {
        if (d.file == target.path || (!isLine && d.file.empty())) {
            found.push_back(d);
        } else if (!isLine && d.file == inputs.lineFile) {
            lineErrors.push_back(&d);
        }
    }
    std::vector<Diagnostic> warnings =
        lintDescription({target.path, target.bytes, isLine, true}).first;
    found.insert(found.end(), warnings.begin(), warnings.end());
    // The warnings about what was read come from the compilation the scan made, when it made
    // one of the descriptions as they stand.
    if (scan.trace) {
        const RangeCheckInput read{inputs.lineFile, inputs.lineBytes, inputs.trainFile,
                                   inputs.trainBytes, true};
        for (RangeWarnings more :
             {rangeWarnings(read, *scan.trace), plausibilityWarnings(read, *scan.trace, {})}) {
            std::vector<Diagnostic>& mine = isLine ? more.line : more.train;
            found.insert(found.end(), mine.begin(), mine.end());
        }
    }
    linkConsequences(found);
    sortByPlace(found, target.path, target.path);

    json out = json::array();
    const Publisher publisher(target, order.kind, line ? &*line : nullptr, style);
    for (const Diagnostic& d : found) out.push_back(publisher.from(d));
    addUnsavable(target, style, out);
    if (!lineErrors.empty()) out.push_back(lineErrorsTold(target, *line, lineErrors, style));
    return {std::move(out), pair};
}

}  // namespace tool::editor
