// The records of a description as written, each with the line it stands on: what tells an
// author which line a change of the compiled scenario comes from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/object_sources.h"

namespace tool {

struct WrittenRecord {
    std::string keyword;  // as the readers know it: "pendenza", "velocita", "stazione", ...
    std::string place;    // FILE:LINE
    std::vector<std::int64_t> numbers;
    std::string text;  // a station's name or a board's text, Windows-1252
};

// The records of a line or a train description, from the "[generale]" header on, in file
// order; a comment field (one with "-") or a field no record starts with is passed over, and
// reading ends at the first field that cannot be read.
std::vector<WrittenRecord> writtenRecords(const DescriptionFile& file, bool lineDescription);

// The last record of `keyword` that holds at `cell` for a value that holds from its position's
// cell (position / 50) on: a gradient, a speed limit, an adhesion.
std::optional<std::string> recordInForce(const std::vector<WrittenRecord>& records,
                                         std::string_view keyword, std::int64_t cell);

// The last record of `keyword` whose stretch from its first number to its second (for
// "montagna") or over its second number of metres (for "curva") covers `metre`.
std::optional<std::string> recordCovering(const std::vector<WrittenRecord>& records,
                                          std::string_view keyword, std::int64_t metre);

// The last record of `keyword`, or of a station of `text`.
std::optional<std::string> lastRecord(const std::vector<WrittenRecord>& records,
                                      std::string_view keyword, std::string_view text = {});

}  // namespace tool
