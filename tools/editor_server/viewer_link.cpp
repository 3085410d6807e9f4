// The language server's side of the viewer: the page is started for the first train
// description opened, each record of that pair gets a code lens that opens the page at its
// object, and the page asks the editor for an object's record. A record is named to the page
// as "#record=line:N" or "#record=train:N" (N from 1), a place the page finds by its objects'
// sources.
#include <filesystem>
#include <system_error>

#include "tools/command_line/scenario_names.h"
#include "tools/editor_server/description_files.h"
#include "tools/editor_server/file_uri.h"
#include "tools/editor_server/language_server.h"
#include "tools/editor_server/record_line.h"
#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

bool isFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

std::optional<std::string> firstLineDescription(const std::string& trainPath) {
    for (const std::string& candidate : lineCandidates(trainPath)) {
        if (isFile(candidate)) return candidate;
    }
    return std::nullopt;
}

LiveSources sourcesOf(const std::string& linePath, const std::string& trainPath) {
    LiveSources sources{linePath, trainPath, "LINE", "TRAIN"};
    if (auto name = lineNameFromFile(linePath)) sources.lineName = *name;
    if (auto name = trainNameFromFile(trainPath, sources.lineName)) sources.trainName = *name;
    return sources;
}

// The record's line (from 0) in a code lens's arguments: a line number, or a position.
std::size_t lineArgument(const json& argument) {
    if (argument.is_number_unsigned()) return argument.get<std::size_t>();
    if (argument.is_object()) return positionOf(argument).line;
    throw InvalidParams("the second argument is a line or a position");
}

}  // namespace

void LanguageServer::startViewer(const std::string& trainPath) {
    if (!settings_.viewer || viewer_) return;
    const std::optional<std::string> linePath = firstLineDescription(trainPath);
    if (!linePath) return;
    const LiveSources sources = sourcesOf(*linePath, trainPath);
    auto started = EditorViewer::start(
        sources, *settings_.viewer, [this, sources](std::string_view description, int line) {
            return openRecord(description == "line" ? sources.lineFile : sources.trainFile, line);
        });
    if (auto* problem = std::get_if<std::string>(&started)) {
        out_.send(notificationMessage("window/showMessage",
                                      {{"type", 2}, {"message", "No viewer: " + *problem}}));
        return;
    }
    viewer_ = std::move(std::get<std::unique_ptr<EditorViewer>>(started));
    out_.send(notificationMessage(
        "window/logMessage",
        {{"type", 3}, {"message", "The viewer of " + trainPath + " is at " + viewer_->pageUrl()}}));
}

std::optional<std::string> LanguageServer::viewedDescription(const OpenDocument& doc) const {
    if (!viewer_ || !doc.path) return std::nullopt;
    if (*doc.path == viewer_->sources().lineFile) return "line";
    if (*doc.path == viewer_->sources().trainFile) return "train";
    return std::nullopt;
}

json LanguageServer::codeLenses(const OpenDocument& doc) const {
    json lenses = json::array();
    if (!viewedDescription(doc)) return lenses;
    const DocumentText& text = *doc.text;
    for (std::size_t i = 0; i < text.lineCount(); ++i) {
        const RecordLine read = readRecordLine(text.line(i), *doc.kind);
        if (read.kind != RecordLine::Kind::record) continue;
        lenses.push_back(
            {{"range", bytesRange(text, i, read.keyword.begin, read.keyword.end, client_.encoding)},
             {"command",
              {{"title", "Show in viewer"},
               {"command", kShowInViewer},
               {"arguments", {doc.uri, i}}}}});
    }
    return lenses;
}

json LanguageServer::showInViewer(const json& params) {
    const json& command = member(params, "command");
    if (command != kShowInViewer) throw InvalidParams("no command " + command.dump());
    const json& arguments = member(params, "arguments");
    if (!arguments.is_array() || arguments.size() < 2 || !arguments[0].is_string()) {
        throw InvalidParams("the arguments are a document's URI and a line or a position");
    }
    const std::size_t line = lineArgument(arguments[1]);
    if (!viewer_) {
        throw InvalidParams(settings_.viewer
                                ? "no viewer yet: it starts with the first train description "
                                  "opened that has its line description beside it"
                                : "no viewer: the server was started without --viewer");
    }
    const OpenDocument* doc = documents_.find(arguments[0].get<std::string>());
    const std::optional<std::string> description = doc ? viewedDescription(*doc) : std::nullopt;
    if (!description) {
        throw InvalidParams("the viewer shows " + viewer_->sources().trainFile + " and " +
                            viewer_->sources().lineFile + " only");
    }
    const std::string url =
        viewer_->pageUrl() + "#record=" + *description + ":" + std::to_string(line + 1);
    if (!showsDocuments_) throw InvalidParams("the editor cannot open a page; open " + url);
    sendRequest("window/showDocument", {{"uri", url}, {"external", true}});
    return nullptr;
}

// From a handler thread of the viewer's server: only the writer is shared, and it is safe
// from any thread.
bool LanguageServer::openRecord(const std::string& path, int line) {
    if (!showsDocuments_) return false;
    const json start = positionJson({static_cast<std::size_t>(line - 1), 0});
    sendRequest("window/showDocument", {{"uri", uriFromPath(path)},
                                        {"takeFocus", true},
                                        {"selection", {{"start", start}, {"end", start}}}});
    return !out_.failed();
}

void LanguageServer::sendRequest(std::string_view method, const json& params) {
    out_.send(requestMessage("scenario-tool/" + std::to_string(++requestsSent_), method, params));
}

}  // namespace tool::editor
