// A pair of descriptions followed as their author saves them: each time either file changes on
// disk it is read and compiled again in memory (nothing is ever written), and what the viewer's
// page shows is made from it: the objects with the records that placed them, the diagnostics
// of `check`, and the picture. While the descriptions fail, the picture stays the last good one.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "compiler/scenario_model.h"
#include "platform/file_stamp.h"
#include "tools/map/svg_map.h"

namespace tool {

struct LiveSources {
    std::string lineFile;  // as named on the command line, and so in file:line
    std::string trainFile;
    std::string lineName;  // for the scenario codes
    std::string trainName;
};

// One look at the descriptions. Immutable once made, so that a request may read it while the
// next one is made.
struct LiveState {
    std::uint64_t version = 0;  // 1 for the first look, one more for each change seen
    // The descriptions fail (or cannot be read): the picture and the objects are those of the
    // last version that compiled, or absent when none has.
    bool stale = false;
    std::string json;  // what the page reads: status, objects, diagnostics (see live_scenario.cpp)
    std::shared_ptr<const scenario::ScenarioModel> picture;  // the compiled model drawn
    std::shared_ptr<const MapModel> map;  // its whole line, decoded once for every picture
    std::uint64_t pictureVersion = 0;     // the version it was compiled at
    double compileMilliseconds = 0;
    int errors = 0;  // as `check` counts them
    int warnings = 0;
    std::size_t warningsLeftOut = 0;  // past the limit of warnings told, as `check` leaves out
    std::string problem;              // a description that cannot be read, or nothing to draw
};

class LiveScenario {
  public:
    explicit LiveScenario(LiveSources sources);

    // Looks at both files; when either changed since the last look (or on the first call), reads
    // and compiles them and makes a new state. Returns whether it did. A look reads no byte while
    // the files' stamps (size, times, which file the path names) stay as they were, but for a
    // few seconds after a write, when a second save in the same tick of a coarse file clock
    // could leave the stamp as it was. A description that is a FIFO or a device is never read,
    // nor waited on: it may never end, or never change.
    bool refresh();

    std::shared_ptr<const LiveState> state() const;

    // Why a description could not be read at the last look (not a plain file, above the
    // description limit, missing), or nothing; from the thread that refreshes.
    const std::string& readProblem() const { return readProblem_; }

    // The pictures of the current state's model, whole or of a stretch; nothing without one.
    std::optional<std::string> planSvg(const MapView& view) const;
    std::optional<std::string> profileSvg(const MapView& view) const;

  private:
    struct Checked;
    bool dueForLook(const platform::FileStamp& line, const platform::FileStamp& train) const;
    void rebuild(const std::string& readProblem);
    Checked check(const std::string& readProblem) const;
    nlohmann::ordered_json takePicture(const Checked& checked, const LiveState* previous,
                                       LiveState& next);

    LiveSources sources_;
    platform::FileStamp lineStamp_;
    platform::FileStamp trainStamp_;
    std::optional<std::string> lineBytes_;  // as last read; nothing when it could not be
    std::optional<std::string> trainBytes_;
    std::string readProblem_;  // why a description could not be read at the last look
    bool looked_ = false;
    // What the page lists and titles for the last version that compiled: kept while the
    // descriptions fail, as its picture is.
    nlohmann::ordered_json lastGoodObjects_ = nlohmann::ordered_json::array();
    nlohmann::ordered_json lastGoodPicture_;
    std::chrono::steady_clock::time_point lastRead_{};

    mutable std::mutex mutex_;  // guards state_ only: refresh runs on one thread
    std::shared_ptr<const LiveState> state_;
};

}  // namespace tool
