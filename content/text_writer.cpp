#include "content/text_writer.h"

#include <algorithm>
#include <stdexcept>

#include "common/windows1252.h"
#include "platform/files.h"

namespace scenario::content {

std::string encodeDocument(std::span<const std::string_view> lineTable) {
    const std::size_t usable = std::min(lineTable.size(), kMaxDocumentEntries);
    std::string bytes;
    for (std::size_t i = 0; i < usable; ++i) {
        const std::string_view line = lineTable[i];
        if (line == kEndMarker) return bytes;
        // A line break inside an entry would make two lines of one and shift the whole file.
        if (line.find_first_of("\r\n") != std::string_view::npos) {
            throw common::EncodingError("line " + std::to_string(i + 1) + " contains a line break");
        }
        try {
            bytes += common::utf8ToWindows1252(line);
        } catch (const common::EncodingError& e) {
            throw common::EncodingError("line " + std::to_string(i + 1) + ": " + e.what());
        }
        bytes += "\r\n";
    }
    throw std::invalid_argument("line table has no end marker within its " +
                                std::to_string(kMaxDocumentEntries) + " entries");
}

void writeDocument(const std::string& path, std::span<const std::string_view> lineTable) {
    platform::replaceFile(path, encodeDocument(lineTable));
}

}  // namespace scenario::content
