#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "content/scenario_content.h"
#include "tests/content/document_lines.h"

namespace scenario::content {
namespace {

using testing::documentLines;

// The line's data as records separated by ';', fields by blanks.
constexpr const char* kCurves =
    "curvas4 950 550; curvad2 2250 550; curvad3 3800 550; curvad4 4350 300; curvas1 4950 550;"
    "curvas4 5500 300; curvad3 7000 900; curvas3 8500 650; curvad4 9950 750;"
    "curvad2 16000 1050; curvas4 17150 300; curvad3 17500 100; curvas2 18200 300;"
    "curvad4 20300 300; curvas4 20650 300; curvas4 21650 450; curvas2 23100 300;"
    "curvad4 26800 300; curvad4 32400 650; curvas2 33050 800; curvad4 33950 700;"
    "curvas4 36900 350; curvas4 37750 700; curvad5 41200 300; curvas3 41550 300;"
    "curvas3 42250 300; curvas3 45200 2000; curvas2 48450 1250; curvad4 54550 300;"
    "curvad3 57450 750; curvas5 58800 300; curvad6 59700 300; curvas5 61450 300;"
    "curvad1 66300 2000; curvad4 77950 450; curvad3 85300 900; curvas5 89200 400;"
    "curvas3 94050 300; curvad4 97850 300; curvad4 130650 650; curvad3 131550 600;"
    "curvas3 132150 600; curvas4 134450 650; curvas2 138650 600; curvad5 165600 500";

constexpr const char* kGradients =
    "0 0; 900 3; 4100 4; 4600 6; 5000 8; 5200 9; 5550 11; 6000 13; 6250 15; 7000 16; 7300 17;"
    "22850 12; 29150 0; 42800 5; 46000 0; 79800 3; 80450 0; 92600 2; 99950 3; 103050 5;"
    "109200 1; 113000 3; 118000 0; 128250 10; 129050 12; 138550 1; 160900 4";

constexpr const char* kMountains =
    "500 2850 11; 3500 6900 11; 7700 9400 11; 9700 12100 11; 12850 14100 11; 14650 16000 11;"
    "17000 21300 11; 23200 28000 11; 32100 35000 11; 36200 39150 11; 40900 42000 11;"
    "134000 134100 2";

// posizione vas vbs vcs strisces
constexpr const char* kSpeedIndicators =
    "800 60 60 60 0; 4250 90 95 100 0; 9600 110 120 120 0; 22500 110 120 140 0;"
    "28450 60 60 60 2; 29250 60 60 60 1; 29750 60 60 60 0; 31500 75 80 80 0; 37300 80 85 90 0;"
    "40000 100 110 115 0; 46050 120 125 130 0; 56900 140 150 160 0; 79600 140 160 180 0;"
    "100550 130 150 150 2; 101100 130 150 150 1; 101750 130 150 150 0; 103500 140 160 170 0;"
    "113800 140 160 180 0; 118300 120 130 140 2; 118800 120 130 140 1; 119300 120 130 140 0;"
    "124250 140 140 150 0; 139150 140 160 180 0; 144650 140 160 160 2; 145250 140 160 160 1;"
    "145850 140 160 160 0; 160200 100 110 120 2; 160900 100 110 120 1; 161550 100 110 120 0;"
    "164300 90 90 90 2; 164900 90 90 90 1; 165500 90 90 90 0";

std::vector<std::vector<std::string>> records(const char* table) {
    std::vector<std::vector<std::string>> result;
    std::istringstream in(table);
    std::string record;
    while (std::getline(in, record, ';')) {
        std::istringstream fields(record);
        std::vector<std::string> values;
        for (std::string v; fields >> v;) values.push_back(v);
        result.push_back(values);
    }
    return result;
}

// The records of one section: the lines after its head, up to the next head.
std::vector<std::string> section(const std::vector<std::string>& lines, const std::string& head) {
    std::vector<std::string> body;
    bool inside = false;
    for (const std::string& line : lines) {
        if (inside && !line.empty() && line.front() == '[') break;
        if (inside) body.push_back(line);
        if (line == head) inside = true;
    }
    return body;
}

class LineDescriptionTest : public ::testing::Test {
  protected:
    std::vector<std::string> lines = documentLines(lineDescription());
};

TEST_F(LineDescriptionTest, HasItsSectionsInOrderAndEndsWithTwoFineLines) {
    ASSERT_EQ(lines.size(), 135u);
    const std::pair<std::size_t, const char*> heads[] = {
        {1, "[generale]"},  {10, "[curve]"},    {56, "[pendenze]"},
        {84, "[montagne]"}, {97, "[cartelli]"}, {130, "[indicazioni]"},
        {133, "[fine]"},    {134, ""},          {135, "[fine]"},
    };
    for (const auto& [number, text] : heads) EXPECT_EQ(lines[number - 1], text) << number;
    // The marker is never written: the file ends with the second "[fine]" and its CR LF.
    EXPECT_TRUE(encodeDocument(lineDescription()).ends_with("[fine]\r\n\r\n[fine]\r\n"));
}

TEST_F(LineDescriptionTest, GeneralRecords) {
    const std::vector<std::string> expected = {
        "lunghezza percorso,    169000",
        "progressiva chilometrica uno,    0,    0,    0",
        "progressiva chilometrica due,    0,    0,    0",
        "progressiva chilometrica tre,    0,    0,    0",
        "sfondo uno,    1000",
        "sfondo due,    3000",
        "sfondo tre,    1",
        "ripetizione segnali 4 codici,    500,    170000",
    };
    EXPECT_EQ(section(lines, "[generale]"), expected);
}

TEST_F(LineDescriptionTest, CurveGradientAndMountainRecords) {
    std::vector<std::string> curves;
    for (const auto& r : records(kCurves)) curves.push_back(r[0] + ",  " + r[1] + ",  " + r[2]);
    EXPECT_EQ(section(lines, "[curve]"), curves);
    EXPECT_EQ(curves.size(), 45u);

    std::vector<std::string> gradients;
    for (const auto& r : records(kGradients))
        gradients.push_back("pendenza,  " + r[0] + ",   " + r[1]);
    EXPECT_EQ(section(lines, "[pendenze]"), gradients);
    EXPECT_EQ(gradients.size(), 27u);

    std::vector<std::string> mountains;
    for (const auto& r : records(kMountains)) {
        mountains.push_back("montagna,   " + r[0] + ",  " + r[1] + ",  " + r[2]);
    }
    EXPECT_EQ(section(lines, "[montagne]"), mountains);
    EXPECT_EQ(mountains.size(), 12u);

    for (const char* example :
         {"curvas4,  950,  550", "pendenza,  900,   3", "montagna,   500,  2850,  11"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), example), lines.end()) << example;
    }
}

TEST_F(LineDescriptionTest, SpeedIndicatorRecordsKeepTheirThreeSpacings) {
    const std::vector<std::string> body = section(lines, "[cartelli]");
    const auto rows = records(kSpeedIndicators);
    ASSERT_EQ(body.size(), 32u);
    ASSERT_EQ(rows.size(), 32u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t number = i + 1;
        const auto& r = rows[i];
        std::string expected = "indicatori_vmax,  " + r[0];
        if (number == 14) {
            expected += ",  " + r[1] + ", " + r[2] + ", " + r[3];
        } else if (number >= 10 && number <= 29) {
            expected += ", " + r[1] + ", " + r[2] + ", " + r[3];
        } else {
            expected += ",  " + r[1] + ",  " + r[2] + ",  " + r[3];
        }
        expected += ",  " + r[4] + ",  ,  ,  ,  0";
        EXPECT_EQ(body[i], expected) << "record " << number;
    }
    EXPECT_EQ(body[0], "indicatori_vmax,  800,  60,  60,  60,  0,  ,  ,  ,  0");
    EXPECT_EQ(body[9], "indicatori_vmax,  40000, 100, 110, 115,  0,  ,  ,  ,  0");
    EXPECT_EQ(body[13], "indicatori_vmax,  100550,  130, 150, 150,  2,  ,  ,  ,  0");
}

TEST_F(LineDescriptionTest, LocationBoards) {
    const std::vector<std::string> expected = {
        "cartello_indicatore,  133850,   (CAVALCAVIA)",
        "cartello_indicatore,  162000,   (BIVIO SANGONE)",
    };
    EXPECT_EQ(section(lines, "[indicazioni]"), expected);
}

}  // namespace
}  // namespace scenario::content
