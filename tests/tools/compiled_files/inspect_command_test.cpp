// inspect on the carried scenario's compiled files, on hand-made cells, and on damaged files.
#include "tools/compiled_files/inspect_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

#include "compiler/compiled_file_reader.h"
#include "compiler/compiled_files.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/compiled_files/inspection.h"

namespace tool {
namespace {

using nlohmann::json;
using testing::fixture;
using testing::installerFiles;
using testing::slurp;
using testing::spit;
using testing::TempDir;
namespace content = scenario::content;

using testing::Outcome;

Outcome inspect(const std::vector<std::string>& files, bool json = false,
                std::optional<std::string> kind = std::nullopt) {
    InspectOptions options;
    options.files = files;
    options.json = json;
    options.kind = std::move(kind);
    return testing::captured(
        [&](std::ostream& out, std::ostream& err) { return runInspect(options, out, err); });
}

// The compiled files of the carried scenario, as the installer writes them.
class CarriedFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        files = installerFiles(content::encodeDocument(content::lineDescription()),
                               content::encodeDocument(content::trainDescription()),
                               "GENOVA_TORINO", "IC514", 1);
        ASSERT_EQ(files.size(), 3u);
        for (const auto& [name, bytes] : files) spit(dir.file(name), bytes);
    }
    std::string route() const { return dir.file("GENOVA_TORINO_IC514.dat"); }
    std::string train() const { return dir.file("GENOVA_TORINO_IC514.sim"); }
    std::string plan() const { return dir.file("GENOVA_TORINO_linea.dat"); }

    TempDir dir;
    std::map<std::string, std::string> files;
};

TEST_F(CarriedFiles, TextTellsTheKnownValues) {
    const Outcome run = inspect({route(), train()});
    EXPECT_EQ(run.status, kInspectClean) << run.err;
    EXPECT_EQ(run.err, "");
    // The signal record at 35150 m (sx 2, s1 3, s2 1, s3 0, rapp 0, dx 2, d1 2, d2 1, d3 0).
    EXPECT_NE(run.out.find("cell 704   35+200    signal                 written ~35+150  s1 3 d1 2 "
                           "s2 1 d2 1 s3 0 d3 0 rapp 0 sx 2 dx 2 tempo 0\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("entry 1  station_kind 2  area_start -0+450  area_end 0+450  position "
                           "0+000  code_4 1  code_7 4"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("scheduled_time 09:08:00  name GENOVA BRIGNOLE\n"), std::string::npos);
    // The stop of the first station (written at 0 m) is in the last cell of its area.
    EXPECT_NE(run.out.find("cell 8     0+400     station stop           written 0+000    station 1 "
                           "GENOVA BRIGNOLE"),
              std::string::npos);
    EXPECT_NE(run.out.find("plain_code (cell 1): 2448, as expected"), std::string::npos);
    EXPECT_NE(run.out.find("weighted_code (entry 85): 32979, as expected"), std::string::npos);
    EXPECT_NE(run.out.find("entry 80  board_text (CAVALCAVIA)\n  entry 79  board_text (BIVIO "
                           "SANGONE)\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("entry 84 (train data): braked_mass_percent 125  line_length 169000  "
                           "cars 12\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("start clock 09:07:00"), std::string::npos);
    EXPECT_EQ(run.out.find("MISMATCH"), std::string::npos);
}

TEST_F(CarriedFiles, JsonCarriesTheSameValues) {
    const Outcome run = inspect({route(), train(), plan()}, true);
    ASSERT_EQ(run.status, kInspectClean) << run.err;
    const json doc = json::parse(run.out);
    EXPECT_EQ(doc["status"], 0);
    ASSERT_EQ(doc["files"].size(), 3u);

    const json& route = doc["files"][0]["route"];
    EXPECT_EQ(route["cells"], 3521);
    json signal;
    for (const json& o : route["objects"]) {
        if (o["cell"] == 704) signal = o;
    }
    EXPECT_EQ(signal["kindName"], "signal");
    EXPECT_EQ(signal["position"], 35200);
    EXPECT_EQ(signal["written"], 35150);
    EXPECT_EQ(signal["writtenExact"], false);
    EXPECT_EQ(signal["values"], json::parse(R"({"s1":3,"d1":2,"s2":1,"d2":1,"s3":0,"d3":0,
                                               "rapp":0,"sx":2,"dx":2,"tempo":0})"));
    EXPECT_EQ(signal["stored"], json::parse(R"({"s1_d1":32,"s2_d2":11,"s3_d3":0,"rapp_sx_dx":8,
                                               "tempo":0})"));
    for (const json& c : route["checks"]) EXPECT_TRUE(c["ok"].get<bool>()) << c;
    EXPECT_EQ(route["checks"][1]["found"], 2448);
    EXPECT_EQ(route["checks"][1]["expected"], 2448);

    const json& train = doc["files"][1]["train"];
    EXPECT_EQ(train["stations"][0]["entry"], 1);
    EXPECT_EQ(train["stations"][0]["name"], "GENOVA BRIGNOLE");
    EXPECT_EQ(train["stations"][0]["time"], "09:08:00");
    EXPECT_EQ(train["stations"][0]["area_start"], -450);
    EXPECT_EQ(train["stations"][0]["area_end"], 450);
    EXPECT_EQ(train["stations"][0]["scheduled_time"], 32880);
    EXPECT_EQ(train["codes"]["text"], "ic514genova_torinoaabbccd");
    EXPECT_EQ(train["codes"]["plain"], 2448);
    EXPECT_EQ(train["codes"]["weighted"], 32979);
    EXPECT_EQ(train["general"]["line_length"], 169000);
    EXPECT_EQ(train["general"]["format_stamp"], 610);
    EXPECT_EQ(train["general"]["clock_hours"], 9);
    EXPECT_EQ(train["boards"][0]["board_text"], "(CAVALCAVIA)");
    ASSERT_EQ(train["checks"].size(), 4u);  // both stamps and both codes, the route beside it
    for (const json& c : train["checks"]) EXPECT_TRUE(c["ok"].get<bool>()) << c;

    const json& plan = doc["files"][2]["plan"];
    EXPECT_EQ(plan["points"], 176001);
    EXPECT_EQ(plan["drawnPoints"], 175999);  // the last two points stay empty
    EXPECT_EQ(plan["headings"][0]["degrees"], 0.0);
}

TEST_F(CarriedFiles, CodesThatDifferFromTheNamesAreMismatches) {
    // The plain code is the 16-bit value at bytes 18 and 19 of the route file.
    std::string bytes = files["GENOVA_TORINO_IC514.dat"];
    bytes[18] = static_cast<char>(bytes[18] + 1);
    spit(route(), bytes);
    const Outcome run = inspect({route()});
    EXPECT_EQ(run.status, kInspectMismatch);
    EXPECT_NE(run.out.find("plain_code (cell 1): 2449, MISMATCH: expected 2448"), std::string::npos)
        << run.out;
}

TEST_F(CarriedFiles, KindComesFromTheOptionWhenTheNameDoesNotTell) {
    const std::string renamed = dir.file("route.bin");
    spit(renamed, files["GENOVA_TORINO_IC514.dat"]);
    EXPECT_EQ(inspect({renamed}).status, kInspectUnreadable);
    const Outcome run = inspect({renamed}, false, "route");
    EXPECT_EQ(run.status, kInspectClean) << run.err;
    EXPECT_NE(run.out.find("route, 3521 cells"), std::string::npos);
    // Without the train file beside it, the plain code cannot be checked and the station
    // stop shows its number alone.
    EXPECT_NE(run.out.find("(not checked: no train file)"), std::string::npos);
    EXPECT_NE(run.out.find("station stop                            station 1\n"),
              std::string::npos)
        << run.out;
}

// Offset of LineTable entry `entry` in a train file.
std::size_t entryOffset(const std::string& train, int entry) {
    std::size_t at = 0;
    for (int i = 0; i < entry; ++i) {
        at += 34 + (static_cast<unsigned char>(train[at + 14]) |
                    static_cast<unsigned char>(train[at + 15]) << 8);
    }
    return at;
}

TEST_F(CarriedFiles, DamagedFilesAreToldWithTheirOffset) {
    const std::string routeBytes = files["GENOVA_TORINO_IC514.dat"];
    const std::string trainBytes = files["GENOVA_TORINO_IC514.sim"];
    const std::string planBytes = files["GENOVA_TORINO_linea.dat"];

    std::string badKind = routeBytes;
    badKind[704 * 15] = 9;  // no object has kind 9
    std::string reversed = trainBytes;
    const std::size_t station1 = entryOffset(trainBytes, 1);
    // Station 1's area, long1 -450 and long2 450, swapped.
    std::swap_ranges(reversed.begin() + static_cast<long>(station1) + 1,
                     reversed.begin() + static_cast<long>(station1) + 5,
                     reversed.begin() + static_cast<long>(station1) + 5);
    // Point 2's x is the first double of the file, after the two 4-byte integer points.
    std::string notFinite = planBytes;
    notFinite.replace(10, 8, std::string("\x00\x00\x00\x00\x00\x00\xF8\x7F", 8));  // NaN
    std::string badTag = planBytes;
    badTag[4] = 7;  // point 1's x: tag 7 is no variant type

    struct Case {
        const char* what;
        std::string name;
        std::string bytes;
        std::string told;  // what stderr says: the place and the fault
        std::size_t offset;
    };
    const std::vector<Case> cases = {
        {"route cut short", "GENOVA_TORINO_IC514.dat", routeBytes.substr(0, routeBytes.size() - 1),
         "cell 3520, byte 52800: ", 52800},
        {"route with an unknown kind", "GENOVA_TORINO_IC514.dat", badKind,
         "cell 704, byte 10560: kind 9 is not a kind of object", 10560},
        {"train with a byte too many", "GENOVA_TORINO_IC514.sim", trainBytes + "x",
         "byte " + std::to_string(trainBytes.size()) + ": bytes follow the 87th entry",
         trainBytes.size()},
        {"train cut inside entry 85", "GENOVA_TORINO_IC514.sim",
         trainBytes.substr(0, entryOffset(trainBytes, 85) + 20), "entry 85, byte ",
         entryOffset(trainBytes, 85) + 16},
        {"station area reversed", "GENOVA_TORINO_IC514.sim", reversed,
         "entry 1, byte " + std::to_string(station1 + 5) +
             ": the station area ends (-450 m) before it starts (450 m)",
         station1 + 5},
        {"plan with an unknown tag", "GENOVA_TORINO_linea.dat", badTag,
         "byte 4: unknown variant tag 7", 4},
        {"plan with a coordinate that is no number", "GENOVA_TORINO_linea.dat", notFinite,
         "byte 8: point 2's x is not a finite number", 8},
        // The plan ends with two empty variants of two bytes each; one byte of the first stays.
        {"plan cut inside a variant tag", "GENOVA_TORINO_linea.dat",
         planBytes.substr(0, planBytes.size() - 3),
         "byte " + std::to_string(planBytes.size() - 4) + ": the file ends inside a variant tag",
         planBytes.size() - 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("damaged/" + c.name);
        std::filesystem::create_directories(dir.file("damaged"));
        spit(path, c.bytes);

        const Outcome text = inspect({path});
        EXPECT_EQ(text.status, kInspectDamaged);
        EXPECT_NE(text.err.find(c.told), std::string::npos) << text.err;

        const Outcome structured = inspect({path}, true);
        EXPECT_EQ(structured.status, kInspectDamaged);
        const json doc = json::parse(structured.out);
        EXPECT_EQ(doc["status"], kInspectDamaged);
        ASSERT_TRUE(doc["files"][0].contains("fault")) << doc;
        EXPECT_EQ(doc["files"][0]["fault"]["offset"], c.offset);
    }
}

// A damaged file among good ones gives its status; the good ones are still told.
TEST_F(CarriedFiles, TheWorstFileSetsTheStatus) {
    const std::string cut = dir.file("cut/GENOVA_TORINO_IC514.dat");
    std::filesystem::create_directories(dir.file("cut"));
    spit(cut, files["GENOVA_TORINO_IC514.dat"].substr(0, 100));
    const Outcome run = inspect({train(), cut, dir.file("missing.sim")});
    EXPECT_EQ(run.status, kInspectDamaged);
    EXPECT_NE(run.out.find("train file, 34 stations, 2 board texts"), std::string::npos);
    EXPECT_NE(run.err.find("missing.sim: no such file"), std::string::npos);
}

scenario::RouteTable routeWith(std::initializer_list<std::pair<int, scenario::RouteCell>> cells) {
    scenario::RouteTable route(20);
    for (const auto& [at, cell] : cells) route[static_cast<std::size_t>(at)] = cell;
    return route;
}

// Each kind's values unpacked as its placement packs them.
TEST(RouteReport, UnpacksEveryKindOfObject) {
    using scenario::RouteCell;
    scenario::LineTable train{};
    for (std::size_t i = 1; i <= 3; ++i) train[i].long3 = static_cast<std::int32_t>(i) * 1000;
    train[3].kind = 2;
    train[3].long1 = 100;
    train[3].long2 = 300;
    train[3].text = "CITT\xC0";  // Windows-1252 A grave
    train[80].text = "(PONTE)";
    struct Case {
        const char* what;
        RouteCell cell;
        std::vector<NamedValue> values;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {
        {"signal 32/11/0/8",
         {1, 32, 11, 0, 8, 101, 0, 0, 0, 0, 0},
         {{"s1", 3},
          {"d1", 2},
          {"s2", 1},
          {"d2", 1},
          {"s3", 0},
          {"d3", 0},
          {"rapp", 0},
          {"sx", 2},
          {"dx", 2},
          {"tempo", 101}},
         std::nullopt},
        {"signal with rapp 1, sx 1, dx 1",
         {1, 53, 61, 11, 14, 0, 0, 0, 0, 0, 0},
         {{"s1", 5},
          {"d1", 3},
          {"s2", 6},
          {"d2", 1},
          {"s3", 1},
          {"d3", 1},
          {"rapp", 1},
          {"sx", 1},
          {"dx", 1},
          {"tempo", 0}},
         std::nullopt},
        {"slowdown start",
         {3, 30, 2, 1, 0, 0, 0, 0, 0, 0, 0},
         {{"speed", 30}, {"d_v", 2}, {"f_tt", 1}},
         std::nullopt},
        {"slowdown end",
         {2, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {{"speed", 60}, {"d_v", 0}, {"f_tt", 0}},
         std::nullopt},
        {"warning board",
         {4, 30, 2, 0, 0, 0, 0, 0, 0, 0, 0},
         {{"speed", 30}, {"d_v", 2}},
         std::nullopt},
        {"countdown",
         {5, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0},
         {{"number", 3}, {"d_v_number", 3}},
         std::nullopt},
        // vas 60 and vad 10 give 1202; strisces 2 and strisced 1 give 21.
        {"speed indicator board",
         {6, 1202, 1200, 2400, 21, 0, 0, 0, 0, 0, 0},
         {{"speed_a_left", 60},
          {"speed_a_right", 10},
          {"speed_b_left", 60},
          {"speed_b_right", 0},
          {"speed_c_left", 120},
          {"speed_c_right", 0},
          {"stripes_left", 2},
          {"stripes_right", 1}},
         std::nullopt},
        {"station stop",
         {10, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {{"station", 3}},
         std::string("CITT\xC3\x80")},
        {"mountain marker", {11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, std::nullopt},
        {"mark", {12, 180, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {{"speed", 180}}, std::nullopt},
        {"mark without speed", {13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, std::nullopt},
        {"location board",
         {14, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {{"board_entry", 80}},
         std::string("(PONTE)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RouteReport report = routeReport(routeWith({{5, c.cell}}), &train);
        ASSERT_EQ(report.objects.size(), 1u);
        const RouteObject& o = report.objects[0];
        EXPECT_EQ(o.cell, 5);
        ASSERT_EQ(o.values.size(), c.values.size());
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            EXPECT_EQ(o.values[i].name, c.values[i].name);
            EXPECT_EQ(o.values[i].value, c.values[i].value) << c.values[i].name;
        }
        EXPECT_EQ(o.text, c.text);
        EXPECT_TRUE(report.mismatches.empty());
    }
}

TEST(RouteReport, CellsThatNameTheWrongEntryAreMismatches) {
    scenario::LineTable train{};
    train[1].long3 = 400;
    train[1].text = "MONTE";
    train[80].text = "(PONTE)";
    const RouteReport report = routeReport(routeWith({{5, {10, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
                                                      {9, {14, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}),
                                           &train);
    ASSERT_EQ(report.mismatches.size(), 2u);
    EXPECT_EQ(report.mismatches[0],
              "cell 5: the station stop names entry 80, which holds no station");
    EXPECT_EQ(report.mismatches[1],
              "cell 9: the location board names entry 1, which holds no board text");
}

// The short line: gradient 2 per mille from 0 m and -5 from 3000 m, speed 80 km/h and adhesion
// 100 from 0 m; the readers fill up to lastCell - 3 and leave the last three cells at 0.
TEST(RouteReport, TrackDataInRuns) {
    const auto files = installerFiles(fixture(testing::kLineFixture),
                                      fixture(testing::kTrainFixture), "COLLE_MARE", "R2041", 1);
    const RouteReport report =
        routeReport(scenario::decodeRouteTable(files.at("COLLE_MARE_R2041.dat")), nullptr);
    ASSERT_EQ(report.runs.size(), 3u);
    const TrackRun expected[] = {
        {0, 59, 80, 2, 100, 0},
        {60, testing::kFixtureLastCell - 3, 80, -5, 100, 0},
        {testing::kFixtureLastCell - 2, testing::kFixtureLastCell, 0, -100, 0, 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(report.runs[i].firstCell, expected[i].firstCell);
        EXPECT_EQ(report.runs[i].lastCell, expected[i].lastCell);
        EXPECT_EQ(report.runs[i].speedKmh, expected[i].speedKmh);
        EXPECT_EQ(report.runs[i].gradient, expected[i].gradient);
        EXPECT_EQ(report.runs[i].adhesion, expected[i].adhesion);
        EXPECT_EQ(report.runs[i].mountainType, expected[i].mountainType);
    }
    // The station at 1000 m (area to 1200 m, e = 24) has approach codes 81 to 84 in cells 22
    // down to 19; the signal at 2500 m (cell 51, sx 2, dx 2) 81 to 84 in cells 49 down to 43.
    std::vector<std::pair<int, int>> approaches;
    for (const ApproachCode& a : report.approaches) approaches.emplace_back(a.cell, a.code);
    const std::vector<std::pair<int, int>> expectedApproaches = {
        {19, 84}, {20, 83}, {21, 82},  {22, 81},  {43, 84},  {45, 83},
        {47, 82}, {49, 81}, {113, 44}, {115, 43}, {117, 42}, {119, 41}};
    EXPECT_EQ(approaches, expectedApproaches);
}

// The short line's plan: straight along +y to 2000 m, then "curvad3" (0.0004 per metre,
// toward +x) for 500 m, then straight to planLength - 2.
TEST(PlanReport, SizeLengthAndHeadings) {
    const auto files = installerFiles(fixture(testing::kLineFixture),
                                      fixture(testing::kTrainFixture), "COLLE_MARE", "R2041", 1);
    const PlanReport report =
        planReport(scenario::decodeTrackPlan(files.at("COLLE_MARE_linea.dat")));
    EXPECT_EQ(report.points, testing::kFixturePlanLength + 1);
    EXPECT_EQ(report.drawnPoints, testing::kFixturePlanLength - 1);

    // Each turning step turns the step vector by atan(0.0004) and lengthens it by
    // sqrt(1 + 0.0004^2); the straight run after keeps the last step.
    const double r = 0.0004;
    const double grow = std::sqrt(1 + r * r);
    double length = 2000;
    double step = 1;
    for (int i = 0; i < 500; ++i) length += (step *= grow);
    length += step * (testing::kFixturePlanLength - 2 - 2500);
    EXPECT_NEAR(report.length, length, 1e-6);
    EXPECT_EQ(report.minX, 0.0);
    EXPECT_EQ(report.minY, 0.0);

    const double turned = 500 * std::atan(r) * 180 / std::numbers::pi;
    ASSERT_GE(report.headings.size(), 4u);
    EXPECT_EQ(report.headings[0], (std::pair<int, double>{0, 0.0}));
    EXPECT_NEAR(report.headings[1].second, 0.0, 1e-9);
    // Point 2001 is the curve's first: km 2 already heads along its first turned step.
    EXPECT_NEAR(report.headings[2].second, std::atan(r) * 180 / std::numbers::pi, 1e-9);
    EXPECT_NEAR(report.headings[3].second, turned, 1e-6);
    EXPECT_EQ(report.headings.back().first, 16);  // km 16: points 16000 and 16001 are drawn
}

TEST(KilometreAndClockText, Forms) {
    EXPECT_EQ(kilometreText(35200), "35+200");
    EXPECT_EQ(kilometreText(0), "0+000");
    EXPECT_EQ(kilometreText(-450), "-0+450");
    EXPECT_EQ(clockText(32880), "09:08:00");
    EXPECT_EQ(clockText(90061), "25:01:01");
    EXPECT_EQ(clockText(-61), "-00:01:01");
}

}  // namespace
}  // namespace tool
