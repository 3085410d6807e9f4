// An optional observer of a compilation that tools set to tell authors which record put an
// object into a cell. The compiler only calls it; nothing of it reaches the compiled files,
// and without one each call costs a test of a null pointer.
#pragma once

#include <cstdint>

#include "compiler/description_sources.h"
#include "compiler/scenario_model.h"

namespace scenario {

class PlacementWatcher {
  public:
    virtual ~PlacementWatcher() = default;
    // The readers start on the record whose keyword stands at `place`; the mark pass after
    // reading starts with Description::none.
    virtual void recordStarts(Description file, SourcePlace place) = 0;
    // An object of the current record was put into `cell` (its kind was set).
    virtual void placed(std::int64_t cell) = 0;
    // A placement of the current record, or a mark, found `cell` taken and failed.
    virtual void taken(std::int64_t cell) = 0;
};

inline void noteRecord(const ScenarioModel& model, Description file, SourcePlace place) {
    if (model.placementWatcher) model.placementWatcher->recordStarts(file, place);
}

inline void notePlaced(const ScenarioModel& model, std::int64_t cell) {
    if (model.placementWatcher) model.placementWatcher->placed(cell);
}

inline void noteTaken(const ScenarioModel& model, std::int64_t cell) {
    if (model.placementWatcher) model.placementWatcher->taken(cell);
}

}  // namespace scenario
