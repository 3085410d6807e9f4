// The author's picture of a compiled scenario as plain SVG 1.1: the track plan turned to fill its
// panel, with its objects and km ticks, and the profile against distance.
//
// Every object drawn in the plan and the profile is one <g> with `data-cell` (its route cell),
// `data-kind` (station, signal, speed board, location board, slowdown, slowdown end, slowdown
// warning, mark), `data-at` (metres from the start where it is drawn), `data-station` for a
// station (its train-file entry), and a <title> naming it with its km: "signal 35+150". Its
// label, where one could be placed clear of the others, is a <text> inside the group.
// The plan's root carries `data-rotation` (degrees the plan's north is turned clockwise) and
// `data-scale` (picture units per metre); its km ticks are <g class="km-tick" data-km="K">.
// The profile's root carries `data-from` and `data-to` (metres drawn) and `data-left` and
// `data-width` (the distance axis in its own user units), so that a page can turn an x into
// metres: from + (x - left) / width * (to - from).
#pragma once

#include <string>

#include "tools/map/map_model.h"

namespace tool {

// One standalone <svg> element: the track plan. Empty <svg> when there is no plan to draw.
std::string renderPlanSvg(const MapSources& sources, const MapView& view);
// One standalone <svg> element: the profile.
std::string renderProfileSvg(const MapSources& sources, const MapView& view);
// The same two from a whole line's map already made (wholeLineMap) and the plan it was made
// from: a page asking for many pictures of one compilation decodes its files once.
std::string renderPlanSvg(const MapModel& wholeLine, const scenario::TrackPlan* plan,
                          const MapView& view);
std::string renderProfileSvg(const MapModel& wholeLine, const MapView& view);
// What `map` writes: a title, the plan and the profile in one SVG document.
std::string renderMapSvg(const MapSources& sources, const MapView& view = {});

}  // namespace tool
