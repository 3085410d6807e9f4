// Line and train descriptions of any length, made up for measuring the compiler: the same
// densities of curves, gradients, mountains, boards, speed and adhesion stretches and signals
// at every length, so that a line twice as long carries twice as much of everything.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

struct GeneratedScenario {
    std::int32_t metres = 0;
    std::string line;   // the line description, Windows-1252 text with CR LF line ends
    std::string train;  // the train description, the same
    int curves = 0;
    int gradients = 0;
    int mountains = 0;
    int speedIndicators = 0;
    int speedStretches = 0;
    int adhesionStretches = 0;
    int signals = 0;
    // A train holds at most 78 stations when the line has no location boards: the 79th is
    // refused (tooManyStations) and stops the reading. The generated line has no location board and
    // at most 78 stations, so that the whole train description is read.
    int stations = 0;
};

inline constexpr int kMaxStations = 78;

// `metres` from 20,000 to 1,000,000, a multiple of 1000. A 1,000,000 m line has 500 curves,
// 1000 gradients, 50 mountain stretches, 200 speed indicator boards, 1000 signals and 78
// stations; shorter lines have proportionally fewer.
GeneratedScenario generateScenario(std::int32_t metres);

}  // namespace bench
