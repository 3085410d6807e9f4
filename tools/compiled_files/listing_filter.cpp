#include "tools/compiled_files/listing_filter.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "tools/compiled_files/compiled_checks.h"

namespace tool {
namespace {

bool digitsOnly(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

std::optional<std::int64_t> number(std::string_view s) {
    // Beyond 10 digits a kilometre is far past any line; refusing it keeps the sums in range.
    if (!digitsOnly(s) || s.size() > 10) return std::nullopt;
    std::int64_t v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

// Whether `word` names the kind `name`: the whole name, or its first words.
bool names(std::string_view word, std::string_view name) {
    return name == word ||
           (name.starts_with(word) && name.size() > word.size() && name[word.size()] == ' ');
}

bool inRange(std::int64_t metres, const ListingFilter& f) {
    return (!f.from || metres >= *f.from) && (!f.to || metres <= *f.to);
}

}  // namespace

bool ListingFilter::keeps(const RouteObject& o) const {
    if (kinds && !kinds->count(o.raw.kind)) return false;
    return inRange(o.written.value_or(cellStart(o.cell)), *this);
}

bool ListingFilter::keeps(const TrackRun& run) const {
    if (!track) return false;
    return (!to || cellStart(run.firstCell) <= *to) &&
           (!from || cellStart(run.lastCell + 1) >= *from);
}

bool ListingFilter::keeps(const ApproachCode& a) const {
    return approaches && inRange(cellStart(a.cell), *this);
}

std::optional<std::int64_t> parseKilometre(std::string_view text) {
    if (const std::size_t plus = text.find('+'); plus != std::string_view::npos) {
        const auto km = number(text.substr(0, plus));
        const std::string_view m = text.substr(plus + 1);
        const auto metres = number(m);
        if (!km || !metres || m.size() != 3) return std::nullopt;
        return *km * 1000 + *metres;
    }
    if (const std::size_t dot = text.find('.'); dot != std::string_view::npos) {
        const auto km = number(text.substr(0, dot));
        std::string fraction(text.substr(dot + 1));
        if (!km || fraction.size() > 3 || !number(fraction)) return std::nullopt;
        fraction.resize(3, '0');
        return *km * 1000 + *number(fraction);
    }
    const auto km = number(text);
    if (!km) return std::nullopt;
    return *km * 1000;
}

std::variant<ListingFilter, std::string> listingFilter(const std::optional<std::string>& only,
                                                       const std::optional<std::string>& km) {
    ListingFilter filter;
    if (only) {
        filter.kinds.emplace();
        filter.track = false;
        filter.approaches = false;
        std::string_view rest = *only;
        while (true) {
            const std::size_t comma = rest.find(',');
            std::string word(rest.substr(0, comma));
            std::replace(word.begin(), word.end(), '-', ' ');
            bool known = false;
            if (word == "track") known = filter.track = true;
            if (word == "approach") known = filter.approaches = true;
            for (int kind = 1; kind < 256; ++kind) {
                const auto name = cellKindName(static_cast<std::uint8_t>(kind));
                if (name && !word.empty() && names(word, *name)) {
                    filter.kinds->insert(static_cast<std::uint8_t>(kind));
                    known = true;
                }
            }
            if (!known) {
                return "--only: \"" + std::string(rest.substr(0, comma)) +
                       "\" is no kind of object (see --help)";
            }
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    if (km) {
        // The dash between the two ends is the one that follows a digit.
        const std::size_t dash = km->find('-', 1);
        std::optional<std::int64_t> from;
        std::optional<std::int64_t> to;
        if (dash != std::string::npos) {
            from = parseKilometre(std::string_view(*km).substr(0, dash));
            to = parseKilometre(std::string_view(*km).substr(dash + 1));
        }
        if (!from || !to) {
            return "--km: \"" + *km + "\" is not FROM-TO, each as 35+150, 35 or 35.15";
        }
        if (*from > *to) return "--km: " + *km + " ends before it starts";
        filter.from = from;
        filter.to = to;
    }
    return filter;
}

}  // namespace tool
