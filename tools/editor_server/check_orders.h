// Which checks the documents call for: an open description is checked on its own (a line
// description) or with its line description (a train description), and a line description's
// edit calls for the checks of the open trains that are checked with it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/editor_server/description_check.h"
#include "tools/editor_server/open_documents.h"

namespace tool::editor {

// The check of `doc`, with the editor's texts where open and the files where not; nothing for
// a document that is no description file.
std::optional<CheckOrder> checkOf(const OpenDocuments& docs, const OpenDocument& doc);

// The open train descriptions that X_linea.txt at `linePath` is, or would be, the line of.
std::vector<const OpenDocument*> trainsOfLine(const OpenDocuments& docs,
                                              const std::string& linePath);

}  // namespace tool::editor
