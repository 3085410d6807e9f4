// What the map of a compiled scenario draws, and where: the objects along the line with their
// names, the line's and the train's speed limits, the gradients and mountain stretches, and the
// track plan turned and scaled to fill its panel. `map` and the live page draw from this, so
// both show the same picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/scenario_model.h"

namespace tool {

struct MapSources {
    const scenario::RouteTable* route = nullptr;  // required
    const scenario::LineTable* train = nullptr;   // names of stations and boards, line length
    const scenario::TrackPlan* plan = nullptr;    // without it, the profile alone
};

struct MapStretch {
    std::int64_t from = 0;  // metres, both included
    std::int64_t to = 0;
};

struct MapView {
    std::optional<MapStretch> stretch;  // nothing: the whole line
    // The plan's panel in user units; the plan is turned and scaled to fill it.
    double planWidth = 1400;
    double planHeight = 760;
    // The profile's picture in user units: the distance axis takes its width, the station
    // names and the bands share its height.
    double profileWidth = 1400;
    double profileHeight = 650;
    // Where the plan's approach codes go. A long line has thousands, none of which fit until
    // the plan is magnified many times, so that a page may ask for them apart, when its zoom
    // lets them show: `apart` leaves them out (an empty group stands in their place, and the
    // root's `data-approach-codes-from` says the least zoom at which any fits), `only` gives
    // that group alone, filled, in a plan of the same shape.
    enum class ApproachCodes { drawn, apart, only };
    ApproachCodes approachCodes = ApproachCodes::drawn;
};

enum class MapObjectKind {
    station,
    signal,
    speedBoard,
    locationBoard,
    slowdownWarning,
    slowdownStart,
    slowdownEnd,
    mark,
};

// The word a page or a title uses for the kind: "station", "signal", "speed board"...
std::string_view mapObjectWord(MapObjectKind kind);

struct MapObject {
    MapObjectKind kind = MapObjectKind::signal;
    int cell = 0;                       // its route cell; a station without a stop cell: the cell
                                        // its position falls in
    std::optional<int> station;         // the train-file entry of a station
    std::int64_t position = 0;          // metres from the start, where it is drawn
    std::string label;                  // the short text beside its mark: a name, a speed
    std::string title;                  // what it is and where: "signal 35+150"
    std::optional<int> speedKmh;        // a speed board's, slowdown's or mark's speed
    std::optional<std::int64_t> until;  // where a slowdown that starts here ends
    // A signal's left and right kind (sx, dx): the plan draws each pair with its own mark.
    std::optional<std::pair<int, int>> signalSides;
    std::optional<MapStretch> area;  // a station's area, metres
    std::optional<int> stopCell;     // a station's stop cell, when it has one
};

// A cell whose approach byte announces a following signal or station.
struct MapApproachCode {
    int cell = 0;
    std::int64_t position = 0;  // the cell's start, metres
    int code = 0;
};

// A speed limit over [from, to) metres.
struct SpeedStep {
    std::int64_t from = 0;
    std::int64_t to = 0;
    int kmh = 0;
};

struct GradientStep {
    std::int64_t from = 0;
    std::int64_t to = 0;
    int perMille = 0;
};

struct MapModel {
    std::string name;          // "LINE – TRAIN", or "Compiled route"
    std::int64_t lineEnd = 0;  // the line's length in metres
    std::int64_t from = 0;     // the metres drawn, both included
    std::int64_t to = 0;
    std::vector<MapObject> objects;  // within [from, to], by position
    std::vector<SpeedStep> lineSpeed;
    // The lower of the line's limit and the train's slowdowns, from each slowdown's start
    // cell to its end cell.
    std::vector<SpeedStep> trainSpeed;
    std::vector<GradientStep> gradients;
    std::vector<std::pair<std::int64_t, std::int64_t>> mountains;  // metres, [from, to)
    std::vector<MapApproachCode> approaches;                       // by cell
    std::size_t stationCount = 0;                                  // on the whole line
    std::size_t signalCount = 0;
};

// The map of the whole line: what every stretch of it is cut from, so that a page asking for
// many pictures of one compilation decodes its files once.
MapModel wholeLineMap(const MapSources& sources);
// The part of `whole` (a whole line's map) that `view` asks for.
MapModel stretchOf(const MapModel& whole, const MapView& view);
// The two at once.
MapModel buildMapModel(const MapSources& sources, const MapView& view);

// The line's length as drawn: the train file's line length where it gives one, within the
// route's cells.
std::int64_t drawnLineEnd(const scenario::RouteTable& route, const scenario::LineTable* train);

// The track plan turned and scaled into its panel.
class PlanGeometry {
  public:
    // Nothing when the plan draws fewer than two points of the stretch.
    static std::optional<PlanGeometry> fit(const scenario::TrackPlan& plan, std::int64_t from,
                                           std::int64_t to, double width, double height,
                                           double margin);

    double rotation() const { return rotation_; }  // degrees, clockwise, the plan's north
    double scale() const { return scale_; }        // picture units per metre
    // Where the point at `metres` along the line is drawn (the last drawn point at or before
    // it), or nothing when none is drawn there.
    std::optional<std::pair<double, double>> at(std::int64_t metres) const;
    // The direction of the track at `metres` in the picture, a unit vector.
    std::pair<double, double> direction(std::int64_t metres) const;
    std::int64_t lastPoint() const;

  private:
    const scenario::TrackPlan* plan_ = nullptr;
    std::vector<std::int64_t> drawnAtOrBefore_;
    double rotation_ = 0;
    double scale_ = 1;
    double cos_ = 1, sin_ = 0;
    double offsetX_ = 0, offsetY_ = 0;
};

// A width that no text set in DejaVu Sans at `fontSize` exceeds (the widest glyph of each kind
// of character rounded up); bold text is up to 15% wider.
double labelWidth(std::string_view utf8, double fontSize, bool bold = false);

}  // namespace tool
