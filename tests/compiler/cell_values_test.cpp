// What a placement packs into a route cell, a reader of the compiled route gets back as the
// description wrote it.
#include "compiler/cell_values.h"

#include <gtest/gtest.h>

namespace scenario {
namespace {

TEST(CellValues, SignalValuesComeBackAsWritten) {
    for (const auto& [s, d] : {std::pair{0, 0}, {3, 2}, {9, 9}, {12, 7}}) {
        const PackedPair back = unpackAspects(packAspects(s, d));
        EXPECT_EQ(back.high, s);
        EXPECT_EQ(back.low, d);
    }
    struct Sides {
        std::int32_t rapp, sx, dx;
    };
    for (const Sides& w : {Sides{0, 2, 2}, Sides{1, 0, 0}, Sides{0, 0, 2}, Sides{3, 2, 0}}) {
        const SignalSides back = unpackSignalSides(packSignalSides(w.rapp, w.sx, w.dx));
        EXPECT_EQ(back.rapp, w.rapp);
        EXPECT_EQ(back.sx, w.sx);
        EXPECT_EQ(back.dx, w.dx);
    }
}

TEST(CellValues, BoardValuesComeBackAsWritten) {
    // The right speed is stored in units of 5 km/h.
    for (const auto& [left, right] : {std::pair{60, 60}, {0, 0}, {150, 95}, {1600, 35}}) {
        const std::int64_t packed = packBoardSpeeds(left, right);
        ASSERT_LE(packed, INT16_MAX);
        const PackedPair back = unpackBoardSpeeds(static_cast<std::int16_t>(packed));
        EXPECT_EQ(back.high, left);
        EXPECT_EQ(back.low, right);
    }
    const PackedPair stripes = unpackStripes(packStripes(3, 1));
    EXPECT_EQ(stripes.high, 3);
    EXPECT_EQ(stripes.low, 1);
    // A value that wrapped to a negative number still splits into a low part below the factor.
    const PackedPair wrapped = unpack(-1, 10);
    EXPECT_EQ(wrapped.high, -1);
    EXPECT_EQ(wrapped.low, 9);
}

}  // namespace
}  // namespace scenario
