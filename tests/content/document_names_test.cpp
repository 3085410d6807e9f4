#include <gtest/gtest.h>

#include "content/scenario_content.h"

namespace scenario::content {
namespace {

TEST(DocumentNamesTest, NamesOfTheCarriedScenario) {
    EXPECT_EQ(kLineName, "GENOVA_TORINO");
    EXPECT_EQ(kTrainName, "IC514");
    EXPECT_EQ(lineDescriptionName(kLineName), "GENOVA_TORINO_linea.txt");
    EXPECT_EQ(trainDescriptionName(kLineName, kTrainName), "GENOVA_TORINO_IC514-.txt");
    EXPECT_EQ(notesName(kLineName, kTrainName), "GENOVA_TORINO_IC514_note.txt");
    EXPECT_EQ(slowdownOrderName(kLineName, kTrainName), "GENOVA_TORINO_IC514_rallentamenti.txt");
    EXPECT_EQ(timetableSheetName(kLineName, kTrainName), "GENOVA_TORINO_IC514_scheda_treno.txt");
}

TEST(DocumentNamesTest, NamesFollowTheLineAndTrain) {
    EXPECT_EQ(lineDescriptionName("A"), "A_linea.txt");
    EXPECT_EQ(trainDescriptionName("A", "T1"), "A_T1-.txt");
    EXPECT_EQ(notesName("A", "T1"), "A_T1_note.txt");
    EXPECT_EQ(slowdownOrderName("A", "T1"), "A_T1_rallentamenti.txt");
    EXPECT_EQ(timetableSheetName("A", "T1"), "A_T1_scheda_treno.txt");
}

}  // namespace
}  // namespace scenario::content
