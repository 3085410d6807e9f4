#include "tools/editor_server/open_documents.h"

#include "tools/editor_server/description_files.h"
#include "tools/editor_server/file_uri.h"

namespace tool::editor {

const json& member(const json& object, const char* name) {
    if (!object.is_object()) throw InvalidParams("the parameters are no object");
    const auto found = object.find(name);
    if (found == object.end()) throw InvalidParams(std::string("\"") + name + "\" is missing");
    return *found;
}

std::string uriOf(const json& params) {
    const json& uri = member(member(params, "textDocument"), "uri");
    if (!uri.is_string()) throw InvalidParams("the document's uri is no string");
    return uri.get<std::string>();
}

Position positionOf(const json& position) {
    const json& line = member(position, "line");
    const json& character = member(position, "character");
    if (!line.is_number_unsigned() || !character.is_number_unsigned()) {
        throw InvalidParams("a position's line and character are whole numbers from 0");
    }
    return {line.get<std::size_t>(), character.get<std::size_t>()};
}

const OpenDocument& OpenDocuments::open(const std::string& uri, std::string text,
                                        std::optional<int> version) {
    if (const auto was = byUri_.find(uri); was != byUri_.end() && was->second.path) {
        uriByPath_.erase(*was->second.path);
    }
    OpenDocument doc{uri, pathFromUri(uri), std::nullopt, version,
                     std::make_shared<const DocumentText>(std::move(text))};
    if (doc.path) {
        doc.kind = descriptionKindOf(*doc.path);
        uriByPath_[*doc.path] = uri;
    }
    return byUri_.insert_or_assign(uri, std::move(doc)).first->second;
}

const OpenDocument* OpenDocuments::change(const std::string& uri, std::optional<int> version,
                                          const json& changes, PositionEncoding encoding) {
    const auto found = byUri_.find(uri);
    if (found == byUri_.end()) return nullptr;
    if (!changes.is_array()) throw InvalidParams("contentChanges is no array");
    // Checked whole before any is applied, so that a bad change leaves the text as it was.
    for (const json& c : changes) {
        if (!member(c, "text").is_string()) throw InvalidParams("a change's text is no string");
        if (c.contains("range")) {
            positionOf(member(c["range"], "start"));
            positionOf(member(c["range"], "end"));
        }
    }
    auto text = std::make_shared<DocumentText>(*found->second.text);
    for (const json& c : changes) {
        const std::string& with = c["text"].get_ref<const std::string&>();
        if (!c.contains("range")) {
            *text = DocumentText(with);
            continue;
        }
        std::size_t from = text->offsetOf(positionOf(c["range"]["start"]), encoding);
        std::size_t to = text->offsetOf(positionOf(c["range"]["end"]), encoding);
        if (to < from) std::swap(from, to);
        text->replace(from, to, with);
    }
    found->second.text = std::move(text);
    found->second.version = version;
    return &found->second;
}

std::optional<OpenDocument> OpenDocuments::close(const std::string& uri) {
    const auto found = byUri_.find(uri);
    if (found == byUri_.end()) return std::nullopt;
    OpenDocument doc = std::move(found->second);
    byUri_.erase(found);
    if (doc.path) uriByPath_.erase(*doc.path);
    return doc;
}

const OpenDocument* OpenDocuments::find(const std::string& uri) const {
    const auto found = byUri_.find(uri);
    return found == byUri_.end() ? nullptr : &found->second;
}

const OpenDocument* OpenDocuments::findPath(const std::string& path) const {
    const auto found = uriByPath_.find(path);
    return found == uriByPath_.end() ? nullptr : find(found->second);
}

std::vector<const OpenDocument*> OpenDocuments::all() const {
    std::vector<const OpenDocument*> docs;
    for (const auto& [uri, doc] : byUri_) docs.push_back(&doc);
    return docs;
}

}  // namespace tool::editor
