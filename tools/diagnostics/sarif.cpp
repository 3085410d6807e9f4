#include "tools/diagnostics/sarif.h"

#include <map>
#include <nlohmann/json.hpp>

#include "compiler/error_codes.h"
#include "tools/command_line/version.h"
#include "tools/diagnostics/check_errors.h"
#include "tools/diagnostics/error_reference.h"
#include "tools/diagnostics/lint_rules.h"
#include "tools/editor_server/explanation_links.h"

namespace tool {
namespace {

using json = nlohmann::ordered_json;

constexpr const char* kSourceRoot = "%SRCROOT%";

bool isAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() >= 2 && path[1] == ':');
}

// How many characters the field at character `column` (from 1) of a UTF-8 line takes: up to
// the comma or the line's end, blanks at its end left out; a number ends at its first blank.
// A place past the line's end takes none.
int fieldLength(std::string_view line, int column) {
    std::size_t at = 0;
    for (int c = 1; c < column && at < line.size(); ++c) {
        do {
            ++at;
        } while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80);
    }
    const std::string_view rest = line.substr(at);
    const bool number =
        !rest.empty() && (rest[0] == '-' || rest[0] == '+' || (rest[0] >= '0' && rest[0] <= '9'));
    std::size_t end = rest.find_first_of(number ? ", \t" : ",");
    if (end == std::string_view::npos) end = rest.size();
    while (end > 0 && (rest[end - 1] == ' ' || rest[end - 1] == '\t')) --end;
    // An empty field is marked by the comma that ends it: the second of ",,".
    if (end == 0 && !rest.empty() && rest[0] == ',') return 1;
    int characters = 0;
    for (std::size_t i = 0; i < end; ++i) {
        characters += (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80 ? 1 : 0;
    }
    return characters;
}

json artifact(const std::string& file) {
    json where = {{"uri", pathUri(file)}};
    if (!isAbsolute(file)) where["uriBaseId"] = kSourceRoot;
    return where;
}

json location(const std::string& file, int line, int column, int length = -1) {
    json physical;
    physical["artifactLocation"] = artifact(file);
    if (line > 0) {
        const int start = std::max(column, 1);
        physical["region"] = {{"startLine", line}, {"startColumn", start}};
        if (length >= 0) {
            physical["region"]["endLine"] = line;
            physical["region"]["endColumn"] = start + length;
        }
    }
    return {{"physicalLocation", physical}};
}

json related(const RelatedPlace& place, int id) {
    json r = location(place.file, place.line, place.column);
    r["id"] = id;
    r["message"] = {{"text", place.message}};
    return r;
}

// The rule a diagnostic breaks, with its entry of the reference as help.
json rule(const Diagnostic& d, bool werror, const std::optional<std::string>& docs) {
    json r = {{"id", d.rule}, {"name", d.rule}};
    std::optional<std::string_view> help;
    if (d.severity == Severity::error && d.code != scenario::ErrorCode::none) {
        r["shortDescription"] = {{"text", scenario::describeErrorCode(d.code)}};
        r["defaultConfiguration"] = {{"level", "error"}};
        if (const auto entry = findErrorEntry(scenario::codeNumber(d.code))) help = entry->text;
    } else {
        for (const LintRule& lint : lintRules()) {
            if (lint.name == d.rule) r["shortDescription"] = {{"text", lint.summary}};
        }
        r["defaultConfiguration"] = {{"level", werror ? "error" : "warning"}};
        help = findWarningEntry(d.rule);
    }
    if (help) r["help"] = {{"text", *help}, {"markdown", *help}};
    if (docs) {
        if (const auto link = editor::explanationLink(d, *docs)) r["helpUri"] = *link;
    }
    return r;
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
    json results = json::array();
    for (const Diagnostic& d : diagnostics) {
        const auto [at, fresh] = index.try_emplace(d.rule, static_cast<int>(rules.size()));
        if (fresh) rules.push_back(rule(d, werror, invocation.docs));
        json result;
        result["ruleId"] = d.rule;
        result["ruleIndex"] = at->second;
        result["level"] = d.severity == Severity::error || werror ? "error" : "warning";
        std::string text = d.message;
        if (d.position) text += " (at " + std::to_string(*d.position) + " m)";
        if (d.heldBy) text += "; " + d.heldBy->message;
        for (const RelatedPlace& r : d.related) text += "; " + r.message;
        if (d.followsFrom) text += "; " + d.followsFrom->message;
        if (d.afterSkip) text += " (found after leaving out an earlier failing record)";
        if (!d.hint.empty()) text += ". Hint: " + d.hint;
        result["message"] = {{"text", text}};
        if (!d.file.empty()) {
            const int length = d.sourceLine ? fieldLength(*d.sourceLine, d.sourceColumn) : -1;
            result["locations"] = json::array({location(d.file, d.line, d.column, length)});
        }
        json relatedPlaces = json::array();
        if (d.heldBy && !d.heldBy->file.empty()) relatedPlaces.push_back(related(*d.heldBy, 1));
        for (const RelatedPlace& r : d.related) {
            if (!r.file.empty())
                relatedPlaces.push_back(related(r, static_cast<int>(relatedPlaces.size()) + 1));
        }
        if (d.followsFrom && !d.followsFrom->file.empty()) {
            relatedPlaces.push_back(
                related(*d.followsFrom, static_cast<int>(relatedPlaces.size()) + 1));
        }
        if (!relatedPlaces.empty()) result["relatedLocations"] = std::move(relatedPlaces);
        result["properties"] = {{"afterSkip", d.afterSkip}};
        results.push_back(std::move(result));
    }

    json driver;
    driver["name"] = "scenario-tool";
    driver["version"] = releaseNumber();
    driver["semanticVersion"] = semanticVersion();
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
    json root = json::object();
    if (!invocation.sourceRoot.empty()) {
        std::string uri = pathUri(invocation.sourceRoot);
        if (!uri.ends_with('/')) uri += '/';
        root["uri"] = uri;
    }
    root["description"] = {{"text", "the folder relative paths start from"}};
    run["originalUriBaseIds"] = {{kSourceRoot, std::move(root)}};
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
