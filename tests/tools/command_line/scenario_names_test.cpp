#include "tools/command_line/scenario_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tool {
namespace {

TEST(LineNameFromFile, TakesWhatStandsBeforeTheSuffix) {
    struct Case {
        const char* path;
        std::optional<std::string> name;
    };
    const Case cases[] = {
        {"GENOVA_TORINO_linea.txt", "GENOVA_TORINO"},
        {"some/dir/X_linea.txt", "X"},
        {"X_LINEA.TXT", "X"},  // names from a file system that ignores case
        {"_linea.txt", std::nullopt},
        {"X_linea.txt.bak", std::nullopt},
        {"X-linea.txt", std::nullopt},
        {"line.txt", std::nullopt},
        {"X_linea.txt/", std::nullopt},  // a directory, not a file name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lineNameFromFile(c.path), c.name) << c.path;
    }
}

TEST(TrainNameFromFile, StripsTheLineNameAndKeepsUnderscoresOfTheTrain) {
    struct Case {
        const char* path;
        const char* lineName;
        std::optional<std::string> name;
    };
    const Case cases[] = {
        {"GENOVA_TORINO_IC514-.txt", "GENOVA_TORINO", "IC514"},
        {"dir/GENOVA_TORINO_IC_514-.txt", "GENOVA_TORINO", "IC_514"},
        {"A_B-.TXT", "A", "B"},
        {"GENOVA_TORINO_-.txt", "GENOVA_TORINO", std::nullopt},  // no train name left
        {"MILANO_IC514-.txt", "GENOVA_TORINO", std::nullopt},    // another line's train
        {"GENOVA_TORINOIC514-.txt", "GENOVA_TORINO", std::nullopt},
        {"GENOVA_TORINO_IC514.txt", "GENOVA_TORINO", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trainNameFromFile(c.path, c.lineName), c.name) << c.path;
    }
}

TEST(NameProblem, RefusesNamesThatCannotNameAFileInTheOutputDirectory) {
    EXPECT_EQ(nameProblem("GENOVA_TORINO"), std::nullopt);
    EXPECT_EQ(nameProblem("IC 514.a-b"), std::nullopt);
    for (const char* bad : {"", "../X", "a/b", "a\\b", "tab\there", "CITT\xC3\x80"}) {
        EXPECT_NE(nameProblem(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace tool
