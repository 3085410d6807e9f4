#include "tools/diagnostics/lint.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <utility>

#include "compiler/description_grammar.h"
#include "compiler/field_reader.h"
#include "compiler/rounding.h"
#include "tools/diagnostics/source_context.h"

namespace tool {
namespace {

using scenario::containsIgnoringCase;
using scenario::isComment;
using scenario::lowerAscii;
using scenario::PositionOrder;
using scenario::RecordGrammar;
using scenario::RecordKind;
using scenario::Section;

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

struct Line {
    int number = 0;
    std::string_view text;  // without its end
};

// The first field of a line and where it starts: text up to the first comma, blanks around it
// dropped, as the reader takes a keyword field.
struct FirstField {
    std::string_view text;
    int column = 1;
    std::optional<std::size_t> comma;
};

FirstField firstField(std::string_view line) {
    FirstField f;
    const std::size_t comma = line.find(',');
    if (comma != std::string_view::npos) f.comma = comma;
    std::string_view field = line.substr(0, comma == std::string_view::npos ? line.size() : comma);
    const std::size_t begin = field.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        f.column = 1;
        return f;
    }
    const std::size_t end = field.find_last_not_of(" \t");
    f.text = field.substr(begin, end - begin + 1);
    f.column = static_cast<int>(begin) + 1;
    return f;
}

bool looksLikeComment(std::string_view field) {
    return field.starts_with("//") || field.starts_with("#") || field.starts_with(";") ||
           field.starts_with("'") || field.starts_with("/*") || field.starts_with("*") ||
           field.starts_with("!") || lowerAscii(field.substr(0, 4)) == "rem ";
}

// The column (from 1, within `rest`) of the first empty field among the first `fields` + 1
// fields of a record's line after its keyword, as in "1,, 0"; 0 when there is none.
int emptyField(std::string_view rest, int fields) {
    scenario::FieldReader in(rest);
    try {
        for (int i = 0; i <= fields && !in.atEnd(); ++i) {
            if (in.readText().empty() && !in.atEnd()) return in.fieldPlace().column;
        }
    } catch (const scenario::ReadFailure&) {
    }
    return 0;
}

// A record of a kind whose positions must increase.
struct Positioned {
    std::int64_t position;
    Line line;
    int column;
};

// The characters an author meant as a comment mark, such as "//" or "#".
std::string commentMark(std::string_view field) {
    if (lowerAscii(field.substr(0, 4)) == "rem ") return std::string(field.substr(0, 3));
    std::size_t end = 0;
    while (end < field.size() && end < 3 && std::ispunct(static_cast<unsigned char>(field[end]))) {
        ++end;
    }
    return std::string(field.substr(0, std::max<std::size_t>(end, 1)));
}

// The first `keep` warnings by line and column, and how many were added in all.
class FirstWarnings {
  public:
    explicit FirstWarnings(std::size_t keep) : keep_(keep) {}

    void add(Diagnostic d) {
        ++count_;
        kept_.push_back(std::move(d));
        // Trimmed now and then, so that holding them costs at most twice what is kept.
        if (kept_.size() >= trimAt()) trim();
    }

    // Adds what `other` holds, as if each of its warnings had been added here.
    void add(FirstWarnings&& other) {
        const std::size_t leftOut = other.count_ - other.kept_.size();
        for (Diagnostic& d : other.kept_) add(std::move(d));
        count_ += leftOut;
    }

    LintResult take() && {
        trim();
        return {std::move(kept_), count_};
    }

  private:
    std::size_t trimAt() const {
        constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
        return keep_ > (most - 64) / 2 ? most : 2 * keep_ + 64;
    }

    void trim() {
        std::stable_sort(kept_.begin(), kept_.end(), [](const Diagnostic& a, const Diagnostic& b) {
            return std::pair(a.line, a.column) < std::pair(b.line, b.column);
        });
        if (kept_.size() > keep_)
            kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(keep_), kept_.end());
    }

    std::size_t keep_;
    std::vector<Diagnostic> kept_;
    std::size_t count_ = 0;
};

class Linter {
  public:
    explicit Linter(const LintInput& input)
        : in_(input), lines_(input.bytes), found_(input.keep), beforeHeader_(input.keep) {}

    LintResult run() {
        encoding();
        for (int number = 1; number <= lines_.count(); ++number) lintLine(readLine(number));
        for (const auto& [order, records] : ordered_) positionOrder(order, records);
        // Without a header nothing is read at all: the records before it are not told, the
        // missing header is.
        if (reading_ == Reading::beforeHeader && !in_.isLine && !in_.bytes.empty()) {
            warn("missing-general-header", Line{1, firstLine()}, 1,
                 "the train description has no [generale] line: nothing of it "
                 "is read",
                 "write \"[generale]\" on a line before the first record");
        }
        return std::move(found_).take();
    }

  private:
    // Where the reader stands: looking for the [generale] line, in the line description's
    // general section, or among the records.
    enum class Reading { beforeHeader, general, records };

    // A line as the reader meets it: its text without the first line's byte-order mark, and
    // its first field with the column it has in the file.
    struct ReadLine {
        Line line;
        std::string_view text;
        int shift = 0;  // the bytes of the byte-order mark left off the text
        FirstField first;
    };

    ReadLine readLine(int number) const {
        const auto [from, to] = *lines_.byteRange(number);
        ReadLine l{Line{number, in_.bytes.substr(from, to - from)}, {}, 0, {}};
        l.text = l.line.text;
        if (number == 1 && l.text.starts_with("\xEF\xBB\xBF")) {
            l.text.remove_prefix(3);
            l.shift = 3;
        }
        l.first = firstField(l.text);
        l.first.column += l.shift;
        return l;
    }

    void lintLine(const ReadLine& l) {
        const std::string_view field = l.first.text;
        if (reading_ == Reading::beforeHeader) {
            lineBeforeHeader(l);
            return;
        }
        const bool general = reading_ == Reading::general;
        if (isComment(field)) {
            commentLine(l, general);
            return;
        }
        comments_ = 0;
        if (field.empty()) {
            lineWithoutKeyword(l, general);
            return;
        }
        if (looksLikeComment(field) && !markReadAsFields(l, general)) return;
        if (scenario::isHeading(field)) {
            heading(l.line, field, l.first.column);
            if (general) reading_ = Reading::records;
            return;
        }
        keywordLine(l, general);
    }

    // Before the [generale] line the reader skips everything: a record there is told, once
    // the header is found.
    void lineBeforeHeader(const ReadLine& l) {
        const std::string_view field = l.first.text;
        if (containsIgnoringCase(field, scenario::kGeneralHeading)) {
            reading_ = in_.isLine ? Reading::general : Reading::records;
            found_.add(std::move(beforeHeader_));
        } else if (!keywordsOf(field, false).empty() && !isComment(field)) {
            warn("before-general-header", l.line, l.first.column,
                 "this record stands before the [generale] line; the reader skips "
                 "everything before it",
                 "move the record below the [generale] line");
        }
    }

    void commentLine(const ReadLine& l, bool general) {
        ++comments_;
        if (comments_ > scenario::commentFieldsDropped(sectionOf(general)) &&
            !keywordsOf(l.first.text, general).empty()) {
            warn("comment-run-too-long", l.line, l.first.column,
                 "the reader drops at most " + std::string(general ? "ten" : "two") +
                     " comment fields in a row; this one is read as a record",
                 "put a line that is not a comment between the comment lines, or "
                 "delete the record");
        } else if (l.first.comma) {
            commentWithFields(l.line, l.text, *l.first.comma, l.shift, general);
        }
    }

    // A line whose first field is empty: among the train's records, one with fields after it
    // is a record whose keyword is missing.
    void lineWithoutKeyword(const ReadLine& l, bool general) {
        const std::string_view rest =
            l.first.comma ? l.text.substr(*l.first.comma + 1) : std::string_view{};
        if (!general && rest.find_first_not_of(" \t,") != std::string_view::npos) {
            warn("unknown-keyword", l.line, l.first.column,
                 "the line starts with an empty field, where the reader looks for a "
                 "keyword; the line is skipped",
                 "write the record's keyword before the first comma");
        }
    }

    // A first field that an author meant as a comment but the reader does not take as one;
    // returns whether it is still read as a record.
    bool markReadAsFields(const ReadLine& l, bool general) {
        const std::string_view field = l.first.text;
        const auto read = keywordsOf(field, general);
        warn("comment-read-as-fields", l.line, l.first.column,
             read.empty() ? "\"" + commentMark(field) +
                                "\" does not mark a comment: the line is read as fields"
                          : "\"" + commentMark(field) +
                                "\" does not mark a comment: the line is read as a \"" +
                                std::string(read.front()->spelling()) + "\" record",
             "begin a comment with \"-\", as in \"-- a note\"; a comment holds no comma");
        return !read.empty();
    }

    // A line that starts with a word the reader tests as a keyword.
    void keywordLine(const ReadLine& l, bool general) {
        const std::string_view field = l.first.text;
        const auto keywords = keywordsOf(field, general);
        // Without the track plan the reader leaves curves out on purpose.
        if (keywords.empty() && in_.isLine && !in_.trackPlan &&
            scenario::recordGrammar(RecordKind::curve).matches(field)) {
            return;
        }
        if (keywords.empty()) {
            if (!looksLikeComment(field)) unknown(l.line, field, l.first.column, general);
            return;
        }
        if (keywords.size() > 1) {
            std::string names;
            for (const RecordGrammar* k : keywords) {
                names += (names.empty() ? "\"" : ", \"") + std::string(k->spelling()) + "\"";
            }
            warn("several-keywords", l.line, l.first.column,
                 "\"" + std::string(field) + "\" holds the keywords of several records (" + names +
                     "); each reads its own fields from here",
                 "write one record's keyword alone");
        }
        record(l.line, l.text, l.first, l.shift, keywords);
    }

    std::string_view firstLine() const {
        const std::size_t end = in_.bytes.find_first_of("\r\n");
        return in_.bytes.substr(0, end);
    }

    Section sectionOf(bool general) const {
        if (!in_.isLine) return Section::train;
        return general ? Section::lineGeneral : Section::lineRecords;
    }

    // The records whose keyword test the field passes, in the order the reader tests them.
    std::vector<const RecordGrammar*> keywordsOf(std::string_view field, bool general) const {
        std::vector<const RecordGrammar*> found;
        const scenario::KeywordField keyword(field);
        for (const RecordGrammar& k : scenario::sectionRecords(sectionOf(general))) {
            if (k.needsTrackPlan && !in_.trackPlan) continue;
            if (k.matches(keyword)) found.push_back(&k);
        }
        return found;
    }

    void warn(std::string_view rule, const Line& line, int column, std::string message,
              std::string hint, std::optional<Replacement> replacement = std::nullopt,
              std::optional<RelatedPlace> related = std::nullopt) {
        if (std::find(in_.disabled.begin(), in_.disabled.end(), rule) != in_.disabled.end()) {
            return;
        }
        Diagnostic d;
        d.severity = Severity::warning;
        d.rule = std::string(rule);
        d.file = in_.fileName;
        d.line = line.number;
        d.column = column;
        d.message = std::move(message);
        d.hint = std::move(hint);
        d.replacement = std::move(replacement);
        if (related) d.related.push_back(std::move(*related));
        attachSourceLine(d, lines_);
        // Told only once the header is found: without one, nothing of the file is read.
        (rule == "before-general-header" ? beforeHeader_ : found_).add(std::move(d));
    }

    void encoding() {
        const std::string_view bytes = in_.bytes;
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            warn("byte-order-mark", Line{1, firstLine()}, 1,
                 "the description starts with a UTF-8 byte-order mark; the reader "
                 "takes its three bytes as text of the first field",
                 "save the file as Windows-1252 (ANSI) without a byte-order mark");
        }
        // A lead byte followed by its continuation bytes is almost never Windows-1252 text.
        int line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b == '\n' || (b == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
                ++line;
                lineStart = i + 1;
                continue;
            }
            if (i < 3 && bytes.starts_with("\xEF\xBB\xBF")) continue;
            const int extra = b >= 0xC2 && b <= 0xDF   ? 1
                              : b >= 0xE0 && b <= 0xEF ? 2
                              : b >= 0xF0 && b <= 0xF4 ? 3
                                                       : 0;
            if (extra == 0) continue;
            bool sequence = true;
            for (int k = 1; sequence && k <= extra; ++k) {
                sequence = i + k < bytes.size() &&
                           (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
            }
            if (!sequence) continue;
            const int column = static_cast<int>(i - lineStart) + 1;
            const std::size_t end = bytes.find_first_of("\r\n", lineStart);
            warn("utf8-text", Line{line, bytes.substr(lineStart, end - lineStart)}, column,
                 "this text is written in UTF-8, but the description is read as Windows-1252: \"" +
                     std::string(bytes.substr(i, static_cast<std::size_t>(extra) + 1)) +
                     "\" becomes " + std::to_string(extra + 1) + " characters",
                 "save the file as Windows-1252 (ANSI)");
            return;  // once a file: the whole file was saved so
        }
    }

    void heading(const Line& line, std::string_view field, int column) {
        const std::string name = lowerAscii(field);
        const auto headings = scenario::customHeadings(in_.isLine);
        if (std::find(headings.begin(), headings.end(), name) != headings.end()) return;
        std::string_view nearest;
        std::size_t best = 4;
        for (const std::string_view h : headings) {
            const std::size_t d = editDistance(name, h);
            if (d < best) {
                best = d;
                nearest = h;
            }
        }
        warn("unknown-section", line, column,
             "\"" + std::string(field) + "\" is not a section heading of the " +
                 (in_.isLine ? "line" : "train") + " description",
             nearest.empty() ? "use one of the headings of the format, or make it a comment "
                               "with \"-\""
                             : "did you mean \"" + std::string(nearest) + "\"?",
             nearest.empty() ? std::nullopt
                             : std::optional(replacing(line, column, field, nearest)));
    }

    static Replacement replacing(const Line& line, int column, std::string_view field,
                                 std::string_view with) {
        return {line.number, column, static_cast<int>(field.size()), std::string(with)};
    }

    void unknown(const Line& line, std::string_view field, int column, bool general) {
        std::string hint;
        std::optional<Replacement> fix;
        const auto generalRecords = scenario::sectionRecords(Section::lineGeneral);
        if (in_.isLine && general) {
            for (const RecordGrammar& k : generalRecords) {
                if (k.matchesIgnoringCase(field)) {
                    hint = "the general section's keywords are matched in lower case, as in \"" +
                           std::string(k.spelling()) + "\"";
                    fix = replacing(line, column, field, lowerAscii(field));
                }
            }
        }
        if (in_.isLine && !general && hint.empty()) {
            for (const RecordGrammar& k : generalRecords) {
                if (k.matchesIgnoringCase(field)) {
                    hint = "\"" + std::string(k.spelling()) +
                           "\" belongs in the general section, before the first heading after "
                           "[generale]";
                }
            }
        }
        if (hint.empty()) {
            std::string_view nearest;
            std::size_t best = 4;
            const std::string word = lowerAscii(field);
            for (const RecordGrammar& k : scenario::sectionRecords(sectionOf(general))) {
                for (std::string_view candidate : {k.spelling(), std::string_view(k.word)}) {
                    const std::size_t d = editDistance(word, candidate);
                    if (d < best) {
                        best = d;
                        nearest = k.spelling();
                    }
                }
            }
            hint = nearest.empty() ? "check the keyword's spelling, or make the line a comment "
                                     "with \"-\""
                                   : "did you mean \"" + std::string(nearest) + "\"?";
            if (!nearest.empty()) fix = replacing(line, column, field, nearest);
        }
        warn("unknown-keyword", line, column,
             "\"" + std::string(field) +
                 "\" is no keyword the reader knows here; the line is "
                 "skipped",
             std::move(hint), std::move(fix));
    }

    // A comment line with commas: the reader drops only its first field, and reads the others
    // as keyword fields.
    void commentWithFields(const Line& line, std::string_view text, std::size_t comma, int shift,
                           bool general) {
        std::size_t start = comma + 1;
        while (start <= text.size()) {
            std::size_t end = text.find(',', start);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view field = text.substr(start, end - start);
            const auto read = keywordsOf(field, general);
            if (!read.empty() && !isComment(field)) {
                const std::size_t begin = field.find_first_not_of(" \t");
                warn("comment-read-as-fields", line, static_cast<int>(start + begin) + 1 + shift,
                     "a comment ends at its first comma: \"" + std::string(field.substr(begin)) +
                         "\" is read as a \"" + std::string(read.front()->spelling()) + "\" record",
                     "write the comment without commas, or begin each part with \"-\"");
                return;
            }
            start = end + 1;
        }
    }

    // The fields a record's keywords read, in order: how many, and how many of them numbers.
    struct FieldCount {
        int numbers = 0;
        int expected = 0;
    };
    static FieldCount fieldsOf(const std::vector<const RecordGrammar*>& keywords) {
        FieldCount c;
        for (const RecordGrammar* k : keywords) {
            for (const scenario::FieldGrammar& f : k->fields()) {
                c.numbers += f.width == scenario::FieldWidth::text ? 0 : 1;
                ++c.expected;
            }
        }
        return c;
    }

    // The record's fields as the reader reads them from the line alone: the numbers, how many
    // fields the line has of those wanted, whether one of them is no number, and the fields
    // the line holds after the record's last one.
    struct FieldsRead {
        std::vector<std::int64_t> values;
        int read = 0;
        bool unreadable = false;
        bool leftOver = false;   // the line holds more after the record's last field
        int leftOverFields = 0;  // how many of them the reader takes, as far as it can
    };
    static FieldsRead readFields(std::string_view rest,
                                 const std::vector<const RecordGrammar*>& keywords) {
        FieldsRead r;
        scenario::FieldReader in(rest);
        try {
            for (const RecordGrammar* k : keywords) {
                for (const scenario::FieldGrammar& f : k->fields()) {
                    if (in.atEnd()) break;
                    if (f.width == scenario::FieldWidth::text) {
                        in.readText();
                    } else {
                        r.values.push_back(in.readInt32());
                    }
                    ++r.read;
                }
            }
        } catch (const scenario::ReadFailure&) {
            r.unreadable = true;
            return r;
        }
        r.leftOver = !in.atEnd();
        try {
            while (!in.atEnd()) {
                in.readText();
                ++r.leftOverFields;
            }
        } catch (const scenario::ReadFailure&) {
        }
        return r;
    }

    void record(const Line& line, std::string_view text, const FirstField& first, int shift,
                const std::vector<const RecordGrammar*>& keywords) {
        const FieldCount wanted = fieldsOf(keywords);
        const std::string_view rest =
            first.comma ? text.substr(*first.comma + 1) : std::string_view{};
        const int restColumn = first.comma ? static_cast<int>(*first.comma) + 2 + shift : 0;
        // A field the line does not have is told as too few fields; a field that is there but
        // is no number is the compiler's to tell, not a miscount.
        const FieldsRead fields = readFields(rest, keywords);
        const std::string what = "the record \"" + std::string(keywords.front()->spelling()) + "\"";
        if (!fields.unreadable && fields.read < wanted.expected) {
            tooFewFields(line, text, first, shift, what, wanted.expected, fields.read);
            return;
        }
        if (fields.unreadable) return;  // a field that is no number: the compiler tells it
        const std::size_t left = rest.find_first_not_of(" \t", static_cast<std::size_t>(0));
        if (fields.leftOver && left != std::string_view::npos) {
            tooManyFields(line, first, rest, restColumn, what, wanted.expected,
                          wanted.expected + fields.leftOverFields);
        }
        if (fields.values.size() < static_cast<std::size_t>(wanted.numbers)) return;
        checkValues(line, first.column, *keywords.front(), fields.values);
    }

    // The count goes wrong where the line ends: the record reads on into the next one.
    void tooFewFields(const Line& line, std::string_view text, const FirstField& first, int shift,
                      const std::string& what, int expected, int read) {
        const std::size_t last = text.find_last_not_of(" \t");
        const int end =
            last == std::string_view::npos ? first.column : static_cast<int>(last) + 2 + shift;
        warn("field-count", line, end,
             what + " reads " + std::to_string(expected) +
                 " fields after its keyword; this "
                 "line has " +
                 std::to_string(read) + ", so the record takes the rest from the next line",
             "give the record all its fields on its line", std::nullopt,
             RelatedPlace{in_.fileName, line.number + 1, 1,
                          "the record takes its missing fields from line " +
                              std::to_string(line.number + 1)});
    }

    // An empty field is where a comma too many stands; without one, the count goes wrong at the
    // first field left over.
    void tooManyFields(const Line& line, const FirstField& first, std::string_view rest,
                       int restColumn, const std::string& what, int expected, int onLine) {
        scenario::FieldReader extra(rest);
        int column = restColumn;
        try {
            for (int i = 0; i < expected; ++i) extra.readText();
            (void)extra.readText();
            column = restColumn + extra.fieldPlace().column - 1;
        } catch (const scenario::ReadFailure&) {
        }
        if (const int empty = emptyField(rest, expected); empty > 0) {
            column = restColumn + empty - 1;
        }
        warn("field-count", line, column > 0 ? column : first.column,
             what + " reads " + std::to_string(expected) +
                 " fields after its keyword; this "
                 "line has " +
                 std::to_string(onLine) +
                 ", and the reader takes the fields left over as keyword fields",
             "remove the extra field or comma");
    }

    // Where two records of a kind stand out of order, the one told is the one whose leaving out
    // mends the order: a position typed too high is told on its own line, not on the next.
    void positionOrder(RecordKind kind, const std::vector<Positioned>& r) {
        const RecordGrammar& grammar = scenario::recordGrammar(kind);
        const bool strict = grammar.order == PositionOrder::strictlyIncreasing;
        const auto inOrder = [&](std::size_t a, std::size_t b) {
            return r[a].position < r[b].position || (!strict && r[a].position == r[b].position);
        };
        std::size_t told = r.size();
        for (std::size_t i = 1; i < r.size(); ++i) {
            if (inOrder(i - 1, i)) continue;
            const bool withoutThis = i + 1 >= r.size() || inOrder(i - 1, i + 1);
            const bool withoutPrevious = i < 2 || inOrder(i - 2, i);
            const std::size_t culprit = withoutPrevious && !withoutThis ? i - 1 : i;
            if (culprit == told) continue;
            told = culprit;
            const std::size_t other = culprit == i ? i - 1 : i;
            warn("position-order", r[culprit].line, r[culprit].column,
                 "this " + std::string(grammar.noun()) + " record at " +
                     std::to_string(r[culprit].position) + " m stands " +
                     (culprit == i ? "after" : "before") + " one at " +
                     std::to_string(r[other].position) + " m (line " +
                     std::to_string(r[other].line.number) +
                     "); records of this kind are read in increasing position",
                 "move the record to its place in position order, or mend its position");
        }
    }

    void checkValues(const Line& line, int column, const RecordGrammar& k,
                     const std::vector<std::int64_t>& v) {
        if (k.once) {
            const auto [it, fresh] = settings_.try_emplace(std::string(k.spelling()), line.number);
            if (!fresh) {
                warn("repeated-setting", line, column,
                     "\"" + std::string(k.spelling()) +
                         "\" is given a second time (first on line " + std::to_string(it->second) +
                         "); this value replaces the first",
                     "keep one of the two records");
            }
        }
        if (k.order != PositionOrder::free) ordered_[k.kind].push_back({v[0], line, column});
        if (k.kind == RecordKind::mountain && v[1] <= v[0]) {
            warn("end-before-start", line, column,
                 "the mountain stretch ends at " + std::to_string(v[1]) +
                     " m, not after its start at " + std::to_string(v[0]) + " m: it covers no cell",
                 "give the start first and then the end, as in \"montagna, 500, 2850, 11\"");
        }
        if (k.kind == RecordKind::slowdown && v[2] <= 0) {
            warn("end-before-start", line, column,
                 "the slowdown's length is " + std::to_string(v[2]) +
                     " m: it ends at or before its start at " + std::to_string(v[0]) + " m",
                 "give the slowdown's length in metres as its third field");
        }
        if (k.kind == RecordKind::speed && v[1] % 5 != 0) {
            warn("speed-rounded", line, column,
                 "the speed " + std::to_string(v[1]) +
                     " km/h is kept in steps of 5 km/h and becomes " +
                     std::to_string(scenario::roundHalfEven(static_cast<double>(v[1]) / 5.0) * 5) +
                     " km/h",
                 "give the speed as a multiple of 5 km/h");
        }
    }

    const LintInput& in_;
    const SourceLines lines_;  // every warning's line is found from these
    FirstWarnings found_;
    FirstWarnings beforeHeader_;
    std::map<std::string, int> settings_;
    std::map<RecordKind, std::vector<Positioned>> ordered_;
    Reading reading_ = Reading::beforeHeader;
    int comments_ = 0;  // comment fields read in a row, up to the line being read
};

}  // namespace

LintResult lintDescription(const LintInput& input) {
    return Linter(input).run();
}

}  // namespace tool
