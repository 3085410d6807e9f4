#include "tools/written_records.h"

#include <span>

#include "compiler/field_reader.h"
#include "compiler/rounding.h"

namespace tool {
namespace {

struct Keyword {
    const char* word;
    const char* alsoWord;  // a second word the field must hold, or nullptr
    const char* name;      // the record's name
    int numbers;
    bool endsInText;
};

constexpr Keyword kLineKeywords[] = {
    {"lunghezza", "percorso", "lunghezza", 1, false},
    {"progressiva", nullptr, "progressiva", 3, false},
    {"sfondo", nullptr, "sfondo", 1, false},
    {"ripetizione", "segnali", "ripetizione", 2, false},
    {"pendenza", nullptr, "pendenza", 2, false},
    {"curva", nullptr, "curva", 2, false},
    {"montagna", nullptr, "montagna", 3, false},
    {"indicatori_v", nullptr, "indicatori_v", 9, false},
    {"cartello", "indicat", "cartello", 1, true},
};

constexpr Keyword kTrainKeywords[] = {
    {"frenata", "massa", "frenata", 1, false},
    {"vetture", nullptr, "vetture", 1, false},
    {"velocit", nullptr, "velocita", 2, false},
    {"aderenza", nullptr, "aderenza", 2, false},
    {"orologio", nullptr, "orologio", 3, false},
    {"sabbia", nullptr, "sabbia", 1, false},
    {"segnale", nullptr, "segnale", 11, false},
    {"rallentamento", nullptr, "rallentamento", 6, false},
    {"abbattimento", nullptr, "abbattimento", 2, false},
    {"stazione", nullptr, "stazione", 16, true},
};

std::string lowered(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

std::vector<WrittenRecord> writtenRecords(const DescriptionFile& file, bool lineDescription) {
    std::vector<WrittenRecord> records;
    scenario::FieldReader reader(file.bytes);
    bool started = false;
    try {
        while (!reader.atEnd()) {
            const std::string field = lowered(reader.readText());
            const int line = reader.fieldPlace().line;
            if (!started) {
                started = field.find("[generale]") != std::string::npos;
                continue;
            }
            if (field.find('-') != std::string::npos) continue;
            const auto matches = [&field](const Keyword& k) {
                return field.find(k.word) != std::string::npos &&
                       (!k.alsoWord || field.find(k.alsoWord) != std::string::npos);
            };
            const Keyword* found = nullptr;
            for (const Keyword& k : lineDescription ? std::span<const Keyword>(kLineKeywords)
                                                    : std::span<const Keyword>(kTrainKeywords)) {
                if (matches(k)) {
                    found = &k;
                    break;
                }
            }
            if (!found) continue;
            WrittenRecord r;
            r.keyword = found->name;
            r.place = file.path + ":" + std::to_string(line);
            for (int i = 0; i < found->numbers; ++i) r.numbers.push_back(reader.readInt32());
            if (found->endsInText) r.text = reader.readText();
            // A sfondo or progressiva record is told apart by the word after its keyword.
            if (r.keyword == "sfondo" || r.keyword == "progressiva") {
                for (const char* word : {"uno", "due", "tre"}) {
                    if (field.find(word) != std::string::npos) r.text = word;
                }
            }
            records.push_back(std::move(r));
        }
    } catch (const scenario::ReadFailure&) {
        // The compiler stops reading this description here as well.
    }
    return records;
}

std::optional<std::string> recordInForce(const std::vector<WrittenRecord>& records,
                                         std::string_view keyword, std::int64_t cell) {
    std::optional<std::string> found;
    for (const WrittenRecord& r : records) {
        if (r.keyword != keyword || r.numbers.empty()) continue;
        if (scenario::roundHalfEven(static_cast<double>(r.numbers[0]) / 50) <= cell) {
            found = r.place;
        }
    }
    return found;
}

std::optional<std::string> recordCovering(const std::vector<WrittenRecord>& records,
                                          std::string_view keyword, std::int64_t metre) {
    std::optional<std::string> found;
    for (const WrittenRecord& r : records) {
        if (r.keyword != keyword || r.numbers.size() < 2) continue;
        const std::int64_t end = keyword == "curva" ? r.numbers[0] + r.numbers[1] : r.numbers[1];
        if (metre >= r.numbers[0] && metre < end) found = r.place;
    }
    return found;
}

std::optional<std::string> lastRecord(const std::vector<WrittenRecord>& records,
                                      std::string_view keyword, std::string_view text) {
    std::optional<std::string> found;
    for (const WrittenRecord& r : records) {
        if (r.keyword == keyword && (text.empty() || r.text == text)) found = r.place;
    }
    return found;
}

}  // namespace tool
