// Reading a compiled file back for an author: the compiler's decoders, then the checks for
// values that no compilation can leave (an unknown cell kind, a station area that ends before
// it starts, a plan that does not start at the origin). A fault names the byte where it stands
// and, where there is one, the cell or the entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "compiler/scenario_model.h"

namespace tool {

struct FileFault {
    std::string message;
    std::size_t offset = 0;
    std::optional<int> cell;
    std::optional<int> entry;
};

// The name of a cell kind ("signal", "station stop", ...), or nothing for a byte that names no
// kind of object.
std::optional<std::string_view> cellKindName(std::uint8_t kind);

// Where the stations and the board texts stand: stations fill entries 1 upward, board texts
// kFirstBoardEntry downward, and the two never overlap.
struct TrainLayout {
    int stationCount = 0;  // entries 1 to stationCount
    // Entries lowestBoard to kFirstBoardEntry; the entry after it when there is no board.
    int lowestBoard = scenario::kFirstBoardEntry + 1;
    bool isStation(int entry) const { return entry >= 1 && entry <= stationCount; }
    bool isBoard(int entry) const {
        return entry >= lowestBoard && entry <= scenario::kFirstBoardEntry;
    }
    int boardCount() const { return scenario::kFirstBoardEntry + 1 - lowestBoard; }
};
TrainLayout trainLayout(const scenario::LineTable& table);

// Byte offset of `entry` in a train file (at most the file's size), and the entry that holds
// byte `offset` (nothing for bytes after the last entry).
std::size_t entryOffset(std::string_view trainBytes, int entry);
std::optional<int> entryAt(std::string_view trainBytes, std::size_t offset);

std::variant<scenario::RouteTable, FileFault> readRouteFile(std::string_view bytes);
std::variant<scenario::LineTable, FileFault> readTrainFile(std::string_view bytes);
std::variant<scenario::TrackPlan, FileFault> readPlanFile(std::string_view bytes);

// "cell 704 (byte 10560): kind 9 is not a kind of object" and the like.
std::string describeFault(const FileFault& fault);

}  // namespace tool
