// The error reference, docs/errors.md, as the tool carries it: one entry for every code the
// compiler records and for the two codes that stop it before it writes; and the warnings'
// reference, docs/warnings.md, one entry for each warning.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace tool {

// The whole document, built into the tool from docs/errors.md.
std::string_view errorReferenceText();

struct ErrorEntry {
    int code = 0;
    std::string_view title;  // the words after "error N: " in the entry's heading
    std::string_view text;   // the entry from its heading up to the next heading
};

// The entries of a reference document, in document order: each starts at a "## error N: "
// heading and runs up to the next "## " heading or the end.
std::vector<ErrorEntry> errorEntries(std::string_view document);

// The carried reference's entry for `code`, if it has one.
std::optional<ErrorEntry> findErrorEntry(int code);

// The warnings' reference, built into the tool from docs/warnings.md.
std::string_view warningReferenceText();

// The carried entry of warning `name`: from its "## `name`" heading up to the next heading;
// nothing when the reference has none.
std::optional<std::string_view> findWarningEntry(std::string_view name);

}  // namespace tool
