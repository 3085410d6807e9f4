// Which record of the descriptions put the object each cell holds, traced while compiling,
// so that a cell-taken failure can name what took the cell and where it is written.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "compiler/placement_watcher.h"

namespace tool {

struct RecordPlace {
    scenario::Description file = scenario::Description::none;  // none: the marks pass
    scenario::SourcePlace place;
};

class CellHolders : public scenario::PlacementWatcher {
  public:
    void recordStarts(scenario::Description file, scenario::SourcePlace place) override {
        current_ = {file, place};
    }
    void placed(std::int64_t cell) override { holders_[cell] = current_; }
    void taken(std::int64_t cell) override { lastTaken_ = cell; }

    // The record that last put an object into `cell`, if one did.
    std::optional<RecordPlace> holder(std::int64_t cell) const {
        const auto it = holders_.find(cell);
        if (it == holders_.end()) return std::nullopt;
        return it->second;
    }
    // The cell whose being taken made the last placement fail.
    std::optional<std::int64_t> lastTaken() const { return lastTaken_; }

  private:
    RecordPlace current_;
    std::unordered_map<std::int64_t, RecordPlace> holders_;
    std::optional<std::int64_t> lastTaken_;
};

}  // namespace tool
