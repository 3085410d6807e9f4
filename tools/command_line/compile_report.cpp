#include "tools/command_line/compile_report.h"

#include <nlohmann/json.hpp>

namespace tool {

std::string toJson(const CompileReport& report, int status) {
    // Ordered, so that the fields stand in the order scripts and people read them.
    nlohmann::ordered_json json;
    json["errorCode"] = scenario::codeNumber(report.errorCode);
    json["errorPosition"] = report.errorPosition;
    json["fatal"] =
        report.fatal ? nlohmann::ordered_json(scenario::codeNumber(*report.fatal)) : nullptr;
    json["files"] = report.files;
    json["status"] = status;
    json["problem"] = report.problem ? nlohmann::ordered_json(*report.problem) : nullptr;

    const RecordedFailure* failure = report.failure ? &*report.failure : nullptr;
    json["file"] = failure && failure->file ? nlohmann::ordered_json(*failure->file) : nullptr;
    json["line"] = failure && failure->line > 0 ? nlohmann::ordered_json(failure->line) : nullptr;
    json["column"] =
        failure && failure->line > 0 ? nlohmann::ordered_json(failure->column) : nullptr;
    json["message"] = failure ? nlohmann::ordered_json(failure->message) : nullptr;
    json["sourceLine"] =
        failure && failure->sourceLine ? nlohmann::ordered_json(*failure->sourceLine) : nullptr;
    json["sourceColumn"] =
        failure && failure->sourceLine ? nlohmann::ordered_json(failure->sourceColumn) : nullptr;
    nlohmann::ordered_json warnings = nlohmann::ordered_json::array();
    for (const Diagnostic& d : report.warnings) {
        warnings.push_back({{"rule", d.rule},
                            {"file", d.file},
                            {"line", d.line},
                            {"column", d.column},
                            {"message", d.message},
                            {"hint", d.hint}});
    }
    json["warnings"] = std::move(warnings);
    json["warningsLeftOut"] = report.warningsLeftOut;
    // Names and texts are bytes of the descriptions; bytes that are not UTF-8 are replaced
    // rather than making the report fail.
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace tool
