#include "tools/diagnostics/failure_report.h"

#include "common/windows1252.h"
#include "compiler/error_codes.h"
#include "tools/command_line/terminal_text.h"
#include "tools/diagnostics/source_context.h"

namespace tool {
namespace {

// Codes recorded after both descriptions were read. They come from no record, and the
// readers' site, which may still name the last reading failure, is not theirs.
bool setAfterReading(scenario::ErrorCode code) {
    return scenario::afterErrorCode(code) == scenario::AfterCode::goesOn;
}

}  // namespace

std::optional<RecordedFailure> recordedFailure(const scenario::ScenarioModel& model,
                                               const scenario::ReadingResult& reading,
                                               DescriptionNames names,
                                               const std::optional<DescriptionTexts>& texts) {
    const scenario::ErrorCode code = model.error.errorCode;
    if (code == scenario::ErrorCode::none) return std::nullopt;

    RecordedFailure failure;
    failure.code = code;
    if (scenario::errorCodeHasPosition(code)) failure.position = model.error.errorPosition;

    const std::string_view words = scenario::describeErrorCode(code);
    failure.message = words.empty() ? std::string("unknown failure") : std::string(words);

    if (setAfterReading(code)) return failure;
    const scenario::FailureSite& site = reading.site;
    // The detail may quote the description's own bytes, which are Windows-1252.
    if (!site.detail.empty()) failure.message += ": " + common::utf8FromWindows1252(site.detail);
    if (site.file == scenario::Description::line) failure.file = std::string(names.line);
    if (site.file == scenario::Description::train) failure.file = std::string(names.train);
    if (failure.file && site.place.line > 0) {
        failure.line = site.place.line;
        failure.column = site.place.column;
        if (texts) {
            const std::string_view text =
                site.file == scenario::Description::line ? texts->line : texts->train;
            if (auto excerpt = sourceExcerpt(text, failure.line, failure.column)) {
                failure.sourceLine = std::move(excerpt->text);
                failure.sourceColumn = excerpt->column;
            }
        }
    }
    return failure;
}

std::string formatFailure(const RecordedFailure& failure) {
    std::string out;
    if (failure.file) {
        out += shownText(*failure.file);
        if (failure.line > 0) {
            out += ":" + std::to_string(failure.line) + ":" + std::to_string(failure.column);
        }
        out += ": ";
    }
    out += "error " + std::to_string(scenario::codeNumber(failure.code));
    if (failure.position) out += " at " + std::to_string(*failure.position) + " m";
    out += ": " + shownText(failure.message);
    return out;
}

std::string formatFailureWithContext(const RecordedFailure& failure) {
    std::string out = formatFailure(failure) + "\n";
    if (failure.sourceLine && failure.line > 0) {
        out += caretLines(*failure.sourceLine, failure.sourceColumn);
    }
    return out;
}

}  // namespace tool
