// The one writing procedure of the scenario's text files: a line table, ended by its marker,
// becomes Windows-1252 lines each ended by CR LF, and replaces the file of that name whole.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace scenario::content {

// The entry that ends a line table. It is never written; entries after it are ignored.
inline constexpr std::string_view kEndMarker = "riferimento fine del file";

// A document's line table holds at most this many entries, the end marker included.
inline constexpr std::size_t kMaxDocumentEntries = 1001;

// The file's bytes: every entry before the first one exactly equal to kEndMarker, converted
// from UTF-8 to Windows-1252 and followed by CR LF; no byte-order mark. Throws EncodingError
// for a line that Windows-1252 cannot hold or that contains CR or LF, and std::invalid_argument
// when no end marker stands within the first kMaxDocumentEntries entries.
std::string encodeDocument(std::span<const std::string_view> lineTable);

// Replaces the file at `path` with the encoded document. The file is either left as it was or
// replaced whole: see platform::replaceFile. Throws platform::FileError when it cannot be
// written; the encoding errors of encodeDocument are thrown before the file is touched.
void writeDocument(const std::string& path, std::span<const std::string_view> lineTable);

}  // namespace scenario::content
