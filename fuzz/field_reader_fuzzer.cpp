// The field reader driven by a script of reads. The first byte gives the script's length n
// (1 to 32), the next n bytes the reads (text, 32-bit, 16-bit, byte number), and the rest is
// the text read; the script repeats until the text is used up.
//
// Each read is checked against a plain reading of the text: a field starts at the start of the
// text or after a blank, comma or line end, and not on a blank; a number read is the decimal
// number that stands there, or a read failure when that is no whole number or does not fit.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "compiler/field_reader.h"
#include "fuzz_support.h"

namespace {

using scenario::FieldReader;
using scenario::ReadFailure;
using scenario::SourcePlace;

// Offsets at which lines start: after CR LF, a lone CR or a lone LF.
std::vector<std::size_t> lineStarts(std::string_view text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            starts.push_back(i + 1);
    }
    return starts;
}

bool endsField(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

std::size_t offsetOf(const std::vector<std::size_t>& starts, SourcePlace place) {
    FUZZ_CHECK(place.line >= 1 && static_cast<std::size_t>(place.line) <= starts.size());
    FUZZ_CHECK(place.column >= 1);
    return starts[static_cast<std::size_t>(place.line) - 1] +
           static_cast<std::size_t>(place.column) - 1;
}

// The number standing at `at`, if it is a whole number within [min, max]; 0 for an empty field.
std::optional<std::int64_t> numberAt(std::string_view text, std::size_t at, std::int64_t min,
                                     std::int64_t max) {
    std::size_t end = at;
    while (end < text.size() && !endsField(text[end])) ++end;
    std::string_view token = text.substr(at, end - at);
    if (token.empty()) return 0;
    if (token.size() > 1 && token[0] == '+' && token[1] >= '0' && token[1] <= '9')
        token.remove_prefix(1);
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec != std::errc{} || ptr != token.data() + token.size()) return std::nullopt;
    if (value < min || value > max) return std::nullopt;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t n = data[0] % 32 + 1;
    if (size < 1 + n) return 0;
    const std::uint8_t* script = data + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + n), size - 1 - n);
    const std::vector<std::size_t> starts = lineStarts(text);

    FieldReader in(text);
    std::size_t reads = 0;
    while (!in.atEnd()) {
        // Every read takes at least one byte, so the text runs out.
        FUZZ_CHECK(reads <= text.size());
        const int op = script[reads % n] % 4;
        ++reads;
        std::optional<std::int64_t> got;
        bool failed = false;
        try {
            switch (op) {
                case 0:
                    in.readText();
                    break;
                case 1:
                    got = in.readInt32();
                    break;
                case 2:
                    got = in.readInt16();
                    break;
                default:
                    got = in.readByte();
                    break;
            }
        } catch (const ReadFailure& failure) {
            failed = true;
            FUZZ_CHECK(failure.place() == in.fieldPlace());
        }
        const std::size_t at = offsetOf(starts, in.fieldPlace());
        FUZZ_CHECK(at <= text.size());
        FUZZ_CHECK(at == 0 || endsField(text[at - 1]));
        FUZZ_CHECK(at == text.size() || (text[at] != ' ' && text[at] != '\t'));
        if (op == 0) {
            FUZZ_CHECK(!failed);
            continue;
        }
        const std::int64_t min = op == 1 ? INT32_MIN : op == 2 ? INT16_MIN : 0;
        const std::int64_t max = op == 1 ? INT32_MAX : op == 2 ? INT16_MAX : UINT8_MAX;
        const std::optional<std::int64_t> expected = numberAt(text, at, min, max);
        FUZZ_CHECK(failed == !expected.has_value());
        FUZZ_CHECK(failed || *got == *expected);
    }
    // Nothing is left: one more read fails.
    bool failed = false;
    try {
        in.readText();
    } catch (const ReadFailure&) {
        failed = true;
    }
    FUZZ_CHECK(failed);
    return 0;
}
