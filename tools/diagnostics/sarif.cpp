#include "tools/diagnostics/sarif.h"

#include <map>
#include <nlohmann/json.hpp>

#include "compiler/error_codes.h"
#include "tools/diagnostics/check_errors.h"
#include "tools/diagnostics/lint_rules.h"

namespace tool {
namespace {

using json = nlohmann::ordered_json;

json location(const std::string& file, int line, int column) {
    json physical;
    physical["artifactLocation"] = {{"uri", pathUri(file)}};
    if (line > 0) physical["region"] = {{"startLine", line}, {"startColumn", std::max(column, 1)}};
    return {{"physicalLocation", physical}};
}

}  // namespace

std::string pathUri(const std::string& path) {
    std::string p = path;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    std::string prefix;
    if (p.size() >= 2 && p[1] == ':') {
        prefix = "file:///";  // a Windows drive path
    } else if (!p.empty() && p[0] == '/') {
        prefix = "file://";
    }
    static const char* hex = "0123456789ABCDEF";
    std::string out = prefix;
    for (const char c : p) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                           (b >= '0' && b <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/' || (c == ':' && !prefix.empty());
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

std::string toSarif(const std::vector<Diagnostic>& diagnostics, bool werror,
                    const SarifInvocation& invocation) {
    json rules = json::array();
    std::map<std::string, int> index;
    for (const LintRule& rule : lintRules()) {
        index[std::string(rule.name)] = static_cast<int>(rules.size());
        rules.push_back({{"id", rule.name},
                         {"name", rule.name},
                         {"shortDescription", {{"text", rule.summary}}},
                         {"defaultConfiguration", {{"level", werror ? "error" : "warning"}}}});
    }
    for (const scenario::ErrorCode code : scenario::everyErrorCode()) {
        const std::string id = errorRule(code);
        index[id] = static_cast<int>(rules.size());
        rules.push_back({{"id", id},
                         {"name", id},
                         {"shortDescription", {{"text", scenario::describeErrorCode(code)}}},
                         {"defaultConfiguration", {{"level", "error"}}}});
    }

    json results = json::array();
    for (const Diagnostic& d : diagnostics) {
        json result;
        result["ruleId"] = d.rule;
        if (const auto it = index.find(d.rule); it != index.end()) result["ruleIndex"] = it->second;
        result["level"] = d.severity == Severity::error || werror ? "error" : "warning";
        std::string text = d.message;
        if (d.position) text += " (at " + std::to_string(*d.position) + " m)";
        if (d.heldBy) text += "; " + d.heldBy->message;
        if (d.afterSkip) text += " (found after leaving out an earlier failing record)";
        if (!d.hint.empty()) text += ". Hint: " + d.hint;
        result["message"] = {{"text", text}};
        if (!d.file.empty())
            result["locations"] = json::array({location(d.file, d.line, d.column)});
        if (d.heldBy && !d.heldBy->file.empty()) {
            json related = location(d.heldBy->file, d.heldBy->line, d.heldBy->column);
            related["id"] = 1;
            related["message"] = {{"text", d.heldBy->message}};
            result["relatedLocations"] = json::array({related});
        }
        result["properties"] = {{"afterSkip", d.afterSkip}};
        results.push_back(std::move(result));
    }

    json driver;
    driver["name"] = "scenario-tool";
    driver["rules"] = std::move(rules);
    json ran;
    ran["executionSuccessful"] = true;
    ran["exitCode"] = invocation.exitCode;
    if (invocation.warningsLeftOut > 0) {
        ran["toolExecutionNotifications"] =
            json::array({{{"level", "note"},
                          {"message",
                           {{"text", std::to_string(invocation.warningsLeftOut) +
                                         " more warnings not given as results (the first " +
                                         std::to_string(invocation.warningLimit) + " are)"}}}}});
    }
    ran["properties"] = {{"warningsLeftOut", invocation.warningsLeftOut}};

    json run;
    run["tool"] = {{"driver", std::move(driver)}};
    run["invocations"] = json::array({std::move(ran)});
    run["results"] = std::move(results);
    json log;
    log["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
    log["version"] = "2.1.0";
    log["runs"] = json::array({std::move(run)});
    return log.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string sarifFailure(int exitCode, const std::string& problem) {
    json ran;
    ran["executionSuccessful"] = false;
    ran["exitCode"] = exitCode;
    ran["toolExecutionNotifications"] =
        json::array({{{"level", "error"}, {"message", {{"text", problem}}}}});
    json run;
    run["tool"] = {{"driver", {{"name", "scenario-tool"}}}};
    run["invocations"] = json::array({std::move(ran)});
    run["results"] = json::array();
    json log;
    log["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
    log["version"] = "2.1.0";
    log["runs"] = json::array({std::move(run)});
    return log.dump(2, ' ', false, json::error_handler_t::replace);
}

void writeSarifFailure(std::ostream& out, int exitCode, std::string_view problem) {
    out << R"({"$schema":"https://json.schemastore.org/sarif-2.1.0.json","version":"2.1.0",)"
        << R"("runs":[{"tool":{"driver":{"name":"scenario-tool"}},)"
        << R"("invocations":[{"executionSuccessful":false,"exitCode":)" << exitCode
        << R"(,"toolExecutionNotifications":[{"level":"error","message":{"text":")" << problem
        << R"("}}]}],"results":[]}]})" << '\n';
}

}  // namespace tool
