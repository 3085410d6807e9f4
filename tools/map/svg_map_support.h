// What the plan and the profile share in writing SVG: numbers and text as XML, each object as
// one titled group, and labels placed where no other label is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/map/map_model.h"

namespace tool::svg {

inline constexpr const char* kFontFamily = "DejaVu Sans, Arial, sans-serif";
inline constexpr const char* kTrackColour = "#202020";
inline constexpr const char* kMountainColour = "#c79a5f";
inline constexpr const char* kSignalColour = "#d01c1c";
inline constexpr const char* kSpeedBoardColour = "#1f5fbf";
inline constexpr const char* kLocationBoardColour = "#1e8a3a";
inline constexpr const char* kStationColour = "#000000";
inline constexpr const char* kSlowdownColour = "#e07000";
inline constexpr const char* kLineSpeedColour = "#7030a0";
inline constexpr const char* kMarkColour = "#707070";

// How far the glyphs of DejaVu Sans reach above and below the baseline, in ems.
inline constexpr double kAscent = 0.93;
inline constexpr double kDescent = 0.24;

std::string num(double v);
std::string escapeXml(std::string_view text);
// 1, 2 or 5 times a power of ten, the smallest not below `target`.
double niceStepAbove(double target);

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

enum class Anchor { start, middle, end };

struct TextStyle {
    double size = 11;
    Anchor anchor = Anchor::start;
    bool bold = false;
    bool italic = false;
    bool upward = false;  // turned to read upward, its baseline running up from (x, y)
    std::string fill;     // empty: black
};

// The box a text set at (x, y) occupies.
Box textBox(double x, double y, std::string_view text, const TextStyle& style);
std::string textElement(double x, double y, std::string_view text, const TextStyle& style);

// The opening of an object's group: its cell, kind, station entry, position and title; in the
// plan also the middle of its mark (`data-anchor`), around which a page scales the sign.
std::string objectOpen(const MapObject& o);
std::string objectOpen(const MapObject& o, double anchorX, double anchorY);

// The boxes labels may not cover: other labels and what must stay readable (hard), and marks
// and track that a label keeps clear of where it can (soft). Kept in a grid so that a line of
// a thousand signals costs no more to label than a short one.
class LabelSpace {
  public:
    // Labels stand wholly inside `b`.
    void keepWithin(const Box& b) { bounds_ = b; }
    void takeHard(const Box& b) { take(b, true); }
    void takeSoft(const Box& b) { take(b, false); }
    bool clear(const Box& b, bool ofSoft) const;

    struct Place {
        double x = 0, y = 0;
        Anchor anchor = Anchor::start;
    };
    struct Placed {
        std::string element;  // the <text>
        Box box;
    };
    // The text at the first place clear of everything, else the first clear of the hard
    // boxes; nothing when every place would cover another label.
    std::optional<Placed> place(std::string_view text, TextStyle style,
                                const std::vector<Place>& places);

  private:
    static constexpr double kCell = 64;
    void take(const Box& b, bool hard);
    std::optional<Box> bounds_;
    std::vector<std::pair<Box, bool>> boxes_;
    std::unordered_map<long long, std::vector<std::size_t>> grid_;
};

// Places around a mark at (x, y) that stands `r` from its middle: right, left, above, below
// and the corners, then further out, in `rings` rings.
std::vector<LabelSpace::Place> placesAround(double x, double y, double r, double size,
                                            int rings = 2);

}  // namespace tool::svg
