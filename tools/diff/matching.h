// Pairs of objects across the two sides, found through an index of side B rather than by
// looking at every object of B for each of A: a diff of two long lines costs in proportion to
// their objects.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tool::diff {

// Which objects of each side a change has already been told for.
struct Matched {
    std::vector<bool> a;
    std::vector<bool> b;
    Matched(std::size_t inA, std::size_t inB) : a(inA, false), b(inB, false) {}
    void pair(std::size_t i, std::size_t j) { a[i] = b[j] = true; }
};

// The objects of side B by a key, each group ordered by position and then by B's order.
class IndexOfB {
  public:
    template <class Objects, class KeyOf, class PositionOf>
    IndexOfB(const Objects& b, KeyOf keyOf, PositionOf positionOf) {
        for (std::size_t j = 0; j < b.size(); ++j) {
            groups_[keyOf(b[j])].push_back({positionOf(b[j]), j});
        }
        for (auto& [key, group] : groups_) std::sort(group.begin(), group.end());
    }

    // Of the unmatched objects under `key` within `reach` metres of `position`, the nearest;
    // of those as near, the first in B's order.
    std::optional<std::size_t> nearest(const std::string& key, std::int64_t position,
                                       std::int64_t reach, const std::vector<bool>& matched) const {
        return best(key, position, reach, matched,
                    [position](const Entry& e) { return std::llabs(e.position - position); });
    }

    // Of the unmatched objects under `key` within `reach` metres of `position`, the first in
    // B's order.
    std::optional<std::size_t> first(const std::string& key, std::int64_t position,
                                     std::int64_t reach, const std::vector<bool>& matched) const {
        return best(key, position, reach, matched, [](const Entry&) { return std::int64_t{0}; });
    }

  private:
    struct Entry {
        std::int64_t position = 0;
        std::size_t index = 0;
        bool operator<(const Entry& o) const {
            return position != o.position ? position < o.position : index < o.index;
        }
    };

    template <class Cost>
    std::optional<std::size_t> best(const std::string& key, std::int64_t position,
                                    std::int64_t reach, const std::vector<bool>& matched,
                                    Cost cost) const {
        const auto group = groups_.find(key);
        if (group == groups_.end()) return std::nullopt;
        const std::vector<Entry>& entries = group->second;
        const std::int64_t low = reach < 0 ? INT64_MIN : position - reach;
        auto e = std::lower_bound(entries.begin(), entries.end(), Entry{low, 0});
        std::optional<Entry> found;
        for (; e != entries.end() && (reach < 0 || e->position <= position + reach); ++e) {
            if (matched[e->index]) continue;
            if (!found || cost(*e) < cost(*found) ||
                (cost(*e) == cost(*found) && e->index < found->index)) {
                found = *e;
            }
        }
        if (!found) return std::nullopt;
        return found->index;
    }

    std::unordered_map<std::string, std::vector<Entry>> groups_;
};

// No bound on the distance: the key alone decides.
inline constexpr std::int64_t kAnyDistance = -1;

}  // namespace tool::diff
