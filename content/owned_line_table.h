// A line table built at run time from formatted lines: it owns the text and keeps views of it,
// followed by the end marker, for the writing procedure.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/text_writer.h"

namespace scenario::content {

class OwnedLineTable {
  public:
    explicit OwnedLineTable(std::vector<std::string> lines) : lines_(std::move(lines)) {
        // The views are taken once the text has its final place.
        entries_.reserve(lines_.size() + 1);
        for (const std::string& line : lines_) entries_.emplace_back(line);
        entries_.push_back(kEndMarker);
    }
    // Views point into this object: it must stay where it was built.
    OwnedLineTable(const OwnedLineTable&) = delete;
    OwnedLineTable& operator=(const OwnedLineTable&) = delete;

    std::span<const std::string_view> entries() const { return entries_; }

  private:
    std::vector<std::string> lines_;
    std::vector<std::string_view> entries_;
};

}  // namespace scenario::content
