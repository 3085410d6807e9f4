// Writes the seed corpora of the fuzz targets into <out>/<target>/: the descriptions the
// installer carries, taken from the content library, small descriptions that each exercise a
// few records, every line and train description pair found in an optional fixtures folder, and
// the files compiled from them.
//
// Usage: make_fuzz_seeds <out> [fixtures]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "fuzz_support.h"
#include "tests/compiler/compile_support.h"

namespace {

namespace fs = std::filesystem;
using scenario::testing::shortLine;
using scenario::testing::train;

class Corpus {
  public:
    Corpus(const fs::path& root, const char* target) : dir_(root / target) {
        fs::create_directories(dir_);
    }
    void add(std::string_view bytes) {
        std::ofstream out(dir_ / ("seed-" + std::to_string(++count_)), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + dir_.string());
    }

  private:
    fs::path dir_;
    int count_ = 0;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Small line descriptions, each with a few records of the kinds the line phase knows.
std::vector<std::string> smallLines() {
    return {
        shortLine(),
        "[generale]\r\nlunghezza percorso, 10000\r\ntre progressiva, 100, 200, 1\r\n"
        "due progressiva, 50, 150, 0\r\nuno progressiva, 0, 100, 1\r\nsfondo uno, 1\r\n"
        "sfondo due, 2\r\nsfondo tre, 3\r\nripetizione segnali 4 codici, 1000, 500\r\n"
        "-- commento\r\n[curve]\r\npendenza, 0, 3\r\n[fine]\r\n",
        shortLine("pendenza, 0, 5\r\npendenza, 100, 7\r\npendenza, 900, -8\r\n"),
        shortLine("curvas3, 100, 200\r\ncurvad4, 500, 300\r\ncurvaS1, 1200, 50\r\n"),
        shortLine("montagna, 500, 2850, 11\r\nmontagna, 3000, 3500, 2\r\n"),
        shortLine("indicatori_vmax, 800, 60, 60, 60, 0, , , , 0\r\n"
                  "cartello_indicatore, 1850, (CAVALCAVIA)\r\n"
                  "cartello_indicatore, 2000, \"QUOTED, TEXT\"\r\n"),
        shortLine("- a\r\n- b\r\npendenza, 50, 2\r\n- c\r\n- d\r\n- e\r\n"),
    };
}

// Small train descriptions for a 10,000 m line.
std::vector<std::string> smallTrains() {
    return {
        train(),
        train("percentuale massa frenata, 125\r\nnumero vetture, 12\r\nsabbia, 300\r\n"
              "orologio, 9 7 0\r\n"),
        train("velocita, 0, 70\r\nvelocita, 4200, 100\r\naderenza, 0, 100\r\n"
              "aderenza, 3000, 80\r\n"),
        train("stazione, 0, 2, 900, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,13,0, GENOVA BRIGNOLE\r\n"
              "stazione, 3150, 2, 600, 1, 1, 1, 4,1,1, 2,1,1, 60, 9,15,0, GENOVA P.PRINCIPE\r\n"
              "stazione, 5000, 28, 400, 0, 0, 0, 0,0,0, 0,0,0, 0, 0,0,0, BIVIO\r\n"
              "stazione, 9000, 6, 700, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,30,0, CAPOLINEA\r\n"),
        train("segnale, 2000, 2, 3, 1, 0, 0, 2, 2,1,0, 0\r\n"
              "rallentamento, 5000, 30, 300, 1, 1, 0\r\n"
              "abbattimento, 7000, 60\r\nabbattimento, 7500, 0\r\n"),
    };
}

// Texts for the field reader, and scripts of reads (text, 32-bit, 16-bit, byte) to read them.
std::vector<std::string> readerTexts() {
    return {
        "pendenza,  900,   3\r\n",
        "indicatori_vmax,  800,  60,  60,  60,  0,  ,  ,  ,  0\r\n",
        "stazione,    3150,  2,  600,  1, 1, 0,  4,1,1,  2,1,1,   60,   9,13, 0, GENOVA\r\n",
        "orologio,    9               7             0 \r\n",
        "cartello_indicatore, 10, \"A, B\"\r\nx\ry\n-5,+7,99999999999\r\n",
    };
}

std::string script(std::string_view reads) {
    return std::string(1, static_cast<char>(reads.size() - 1)) + std::string(reads);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <out> [fixtures]\n", argv[0]);
        return 2;
    }
    namespace content = scenario::content;
    const fs::path out = argv[1];
    const std::string carriedLine = content::encodeDocument(content::lineDescription());
    const std::string carriedTrain = content::encodeDocument(content::trainDescription());
    const std::string sep(scenario::fuzz::kTrainSeparator);

    std::vector<std::pair<std::string, std::string>> pairs{{carriedLine, carriedTrain}};
    if (argc > 2 && fs::is_directory(argv[2])) {
        for (const auto& entry : fs::directory_iterator(argv[2])) {
            const std::string name = entry.path().filename().string();
            const std::string suffix = "_linea.txt";
            if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
            const std::string lineName = name.substr(0, name.size() - suffix.size());
            for (const auto& other : fs::directory_iterator(argv[2])) {
                const std::string t = other.path().filename().string();
                if (t.starts_with(lineName + "_") && t.ends_with("-.txt"))
                    pairs.emplace_back(readFile(entry.path()), readFile(other.path()));
            }
        }
    }

    Corpus lines(out, "line_phase");
    Corpus trains(out, "train_phase");
    Corpus compilations(out, "compilation");
    Corpus reader(out, "field_reader");
    Corpus decoder(out, "compiled_file_decoder");
    for (const auto& [l, t] : pairs) {
        lines.add(l);
        trains.add(t);
        compilations.add(l + sep + t);
    }
    const auto small = smallLines();
    const auto smallT = smallTrains();
    for (const std::string& l : small) lines.add(l);
    for (const std::string& t : smallT) trains.add(t);
    for (std::size_t i = 0; i < small.size() || i < smallT.size(); ++i) {
        compilations.add(small[i % small.size()] + sep + smallT[i % smallT.size()]);
    }
    compilations.add(small.back());  // no train description
    std::string everyTrainRecord = "[generale]\r\n";
    for (const std::string& t : smallT) everyTrainRecord += t.substr(12, t.size() - 12 - 8);
    compilations.add(small[5] + sep + everyTrainRecord + "[fine]\r\n");

    // Compiled files, each behind the byte that chooses its decoder: route, train, line plan.
    for (std::size_t i = 0; i < pairs.size() + small.size(); ++i) {
        const scenario::fuzz::Compiled c =
            i < pairs.size()
                ? scenario::fuzz::compileChecked(pairs[i].first, pairs[i].second, 0)
                : scenario::fuzz::compileChecked(small[i - pairs.size()], smallT[0], 0);
        decoder.add(std::string(1, '\0') + c.routeFile);
        decoder.add(std::string(1, '\1') + c.trainFile);
    }
    scenario::TrackPlan plan;
    plan.dimension(40);
    plan.setInteger(0, 0, 0);
    plan.setInteger(0, 1, 0);
    plan.setInteger(1, 0, 0);
    plan.setInteger(1, 1, 1);
    for (int m = 2; m < 38; ++m) {
        plan.setReal(m, 0, 0.001 * m * m);
        plan.setReal(m, 1, m);
    }
    std::string planFile(1, '\2');
    scenario::encodeTrackPlan(plan, [&](std::string_view piece) { planFile += piece; });
    decoder.add(planFile);

    const std::string scripts[] = {script(std::string("\0\1\1", 3)),
                                   script(std::string("\0\1\2\3\0", 5)),
                                   script(std::string("\0\1\1\1\1\1\1\3\3\3\2\2\2\1\1\1", 16))};
    for (const std::string& text : readerTexts()) {
        for (const std::string& s : scripts) reader.add(s + text);
    }
    reader.add(scripts[2] + carriedTrain.substr(0, 2000));
    return 0;
}
