// How large an input scenario-tool takes. Each bound is checked from the file's size before
// the file is read, so that a huge or endless input is refused at once and costs no memory.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/compiled_files.h"
#include "compiler/scenario_model.h"
#include "platform/bounded_read.h"

namespace tool {

// A description is refused above 64 MiB. The largest description that means anything is
// about 12 MB: a 1,000,000 m line with a record in each of its 20,141 cells (about 1.2 MB),
// and 81 board texts and 78 station names of the longest text a train file holds, 65,535
// bytes each (about 10.4 MB). The bound leaves five times that, and keeps the tool, which holds
// both descriptions and at worst two more copies of one while compiling, within a few hundred
// megabytes.
inline constexpr std::uint64_t kMaxDescriptionBytes = 64ull * 1024 * 1024;

// The largest compiled files, those of a line of 1,000,000 m: 20,141 route cells, a plan of
// 1,007,001 points with every point from 2 to planLength - 2 computed, and a train file whose
// 87 entries each hold a text of 65,535 bytes.
inline constexpr std::uint64_t kMaxRouteBytes = 20141ull * scenario::kRouteCellBytes;
inline constexpr std::uint64_t kMaxPlanBytes = 20ull * 1007000 - 36;
inline constexpr std::uint64_t kMaxTrainBytes =
    static_cast<std::uint64_t>(scenario::kLineTableEntries) * (scenario::kLineRecordBytes + 65535);

static_assert(kMaxRouteBytes == 302115);
static_assert(kMaxPlanBytes == 20139964);
static_assert(kMaxTrainBytes == 5704503);

// Why a description read as too large is refused: "N bytes, above the ..." when its size is
// known, "more than the ..." for a pipe or a device.
std::string oversizedDescription(const platform::BoundedRead& read);

}  // namespace tool
