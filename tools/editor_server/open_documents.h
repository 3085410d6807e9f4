// The documents the editor has open, with the text it holds for each: what it sent when it
// opened the document, with every change since applied.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/editor_server/document_text.h"
#include "tools/editor_server/json_rpc.h"
#include "tools/editor_server/record_grammar.h"

namespace tool::editor {

// Parameters a method cannot use; answered with the protocol's InvalidParams.
class InvalidParams : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct OpenDocument {
    std::string uri;
    std::optional<std::string> path;      // for a file: URI
    std::optional<DescriptionKind> kind;  // by the file's name
    std::optional<int> version;
    // Replaced, never changed, by an edit: a check may still read the text before it.
    std::shared_ptr<const DocumentText> text;
};

class OpenDocuments {
  public:
    const OpenDocument& open(const std::string& uri, std::string text, std::optional<int> version);
    // Applies didChange's contentChanges in order: each a whole new text, or a range and the
    // text that replaces it. Null when the document is not open.
    const OpenDocument* change(const std::string& uri, std::optional<int> version,
                               const json& changes, PositionEncoding encoding);
    // The document as it was; nothing when it was not open.
    std::optional<OpenDocument> close(const std::string& uri);

    const OpenDocument* find(const std::string& uri) const;
    const OpenDocument* findPath(const std::string& path) const;
    std::vector<const OpenDocument*> all() const;

  private:
    std::map<std::string, OpenDocument> byUri_;
    std::map<std::string, std::string> uriByPath_;
};

// The helpers below read a request's parameters, throwing InvalidParams when they are missing
// or of the wrong type.
const json& member(const json& object, const char* name);
std::string uriOf(const json& params);  // params.textDocument.uri
Position positionOf(const json& position);

}  // namespace tool::editor
