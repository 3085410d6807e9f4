// The three compiled files the simulator reads, encoded byte for byte from the model: no
// header, little-endian integers, records field by field without alignment gaps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/byte_sink.h"
#include "compiler/scenario_model.h"

namespace scenario {

std::string linePlanFileName(std::string_view lineName);                           // X_linea.dat
std::string trainFileName(std::string_view lineName, std::string_view trainName);  // X_Y.sim
std::string routeFileName(std::string_view lineName, std::string_view trainName);  // X_Y.dat

inline constexpr std::size_t kRouteCellBytes = 15;
inline constexpr std::size_t kLineRecordBytes = 34;  // plus the length of its text

using common::ByteProducer;
using common::ByteSink;

// The track plan's variants, all x values then all y values, each a 16-bit tag and its
// payload: from its stored points when it has them, else from its drawing. Handed over in
// pieces, so that a 20 MB plan never stands whole in memory.
void encodeTrackPlan(const TrackPlan& plan, const ByteSink& sink);
std::string encodeLineTable(const LineTable& table);
std::string encodeRouteTable(const RouteTable& table);

struct CompiledFile {
    std::string name;
    ByteProducer produce;
};

// The compiled files of the model, in the order they are written: the line plan file (only
// when the plan was built), the train file, the route file. The producers read the model when
// they run, so the model must outlive them.
std::vector<CompiledFile> compiledFiles(const ScenarioModel& model);

}  // namespace scenario
