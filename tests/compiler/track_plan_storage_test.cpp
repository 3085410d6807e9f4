// The track plan's storage: every element starts empty whatever memory it is given (plans below
// and above a huge page, the largest a line can have), and copies and moves keep the elements.
#include <gtest/gtest.h>

#include <cstdint>

#include "compiler/scenario_model.h"

namespace scenario {
namespace {

TEST(TrackPlanStorage, EveryElementStartsEmptyAndTakesItsValue) {
    // 8,026 points: a 1,025 m line; 176,001: the carried line (2.8 MB, past a huge page);
    // 1,007,001: the longest line.
    for (const std::int64_t points :
         {std::int64_t{3}, std::int64_t{8026}, std::int64_t{176001}, std::int64_t{1007001}}) {
        SCOPED_TRACE(points);
        TrackPlan plan;
        plan.dimension(points);
        ASSERT_EQ(plan.points(), points);
        for (int coord = 0; coord < 2; ++coord) {
            const std::uint8_t* tags = plan.tags(coord);
            std::int64_t notEmpty = 0;
            for (std::int64_t p = 0; p < points; ++p) notEmpty += tags[p] != 0;
            EXPECT_EQ(notEmpty, 0) << "coordinate " << coord;
        }
        // Every element can be written, the last one of y included.
        for (std::int64_t p = 0; p < points; ++p) {
            plan.setReal(p, 0, static_cast<double>(p));
            plan.setReal(p, 1, -static_cast<double>(p));
        }
        EXPECT_EQ(plan.at(points - 1, 1).value, -static_cast<double>(points - 1));
        EXPECT_EQ(plan.at(points - 1, 1).tag, PlanTag::real);
    }
}

TEST(TrackPlanStorage, DimensioningAgainEmptiesThePlan) {
    TrackPlan plan;
    plan.dimension(5);
    plan.setInteger(4, 1, 7);
    plan.dimension(5);
    EXPECT_EQ(plan.at(4, 1).tag, PlanTag::empty);
}

TEST(TrackPlanStorage, CopiesAndMovesKeepTheElements) {
    TrackPlan plan;
    plan.dimension(176001);
    plan.setInteger(1, 1, 1);
    plan.setReal(176000, 0, 2.5);

    TrackPlan copy = plan;
    plan.setReal(176000, 0, 9.0);  // the copy is its own
    EXPECT_EQ(copy.at(1, 1).tag, PlanTag::integer);
    EXPECT_EQ(copy.at(1, 1).value, 1.0);
    EXPECT_EQ(copy.at(176000, 0).value, 2.5);
    EXPECT_EQ(copy.at(175999, 0).tag, PlanTag::empty);

    TrackPlan moved = std::move(copy);
    EXPECT_FALSE(
        copy.dimensioned());  // NOLINT(bugprone-use-after-move): a moved-from plan is empty
    EXPECT_EQ(moved.at(176000, 0).value, 2.5);

    TrackPlan empty;
    TrackPlan emptyCopy = empty;
    EXPECT_FALSE(emptyCopy.dimensioned());
}

}  // namespace
}  // namespace scenario
