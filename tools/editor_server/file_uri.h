// Documents are named by URIs; the descriptions beside them are files. Only file: URIs name
// files; a document of any other scheme (an unsaved buffer) has no path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tool::editor {

// "file:///home/a/X_linea.txt" as "/home/a/X_linea.txt", "file:///c%3A/A/X_linea.txt" as
// "c:/A/X_linea.txt" (on Windows, where a path starts with its drive), with percent escapes
// decoded; nothing for another scheme, a host other than the local one, or escapes that are
// broken or stand for a NUL.
std::optional<std::string> pathFromUri(std::string_view uri);

// The file: URI of an absolute path, characters outside the unreserved ones percent-escaped.
std::string uriFromPath(std::string_view path);

}  // namespace tool::editor
