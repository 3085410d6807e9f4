// What one compilation read and where it put each object, as its observer heard it: every
// record with its kind, its description, the place of its keyword and its values as read, and
// for every cell the record that last put an object there. The tools ask it rather than read the
// descriptions again, so that they cannot disagree with the compiler about what an author wrote.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/compilation_observer.h"

namespace tool {

class RecordTrace : public scenario::CompilationObserver {
  public:
    struct Record {
        scenario::RecordKind kind{};
        scenario::Description file = scenario::Description::none;
        scenario::SourcePlace place;  // where its keyword field starts
        // Its values as read, kept in the trace's stores: fewer than its grammar lists when the
        // reading stopped inside it.
        std::uint32_t firstNumber = 0;
        std::uint32_t numberCount = 0;
        std::uint32_t firstTextByte = 0;
        std::uint32_t textSize = 0;
        scenario::FieldSpan textSpan;  // where its text field stands, when it has one
    };

    // How a description that was read to its end ends: the last keyword field that held a word,
    // and whether a value field was read after it.
    struct Ending {
        scenario::FieldSpan lastWordSpan;
        std::string lastWord;
        bool valueAfter = false;
        scenario::FieldSpan lastValueSpan;  // the last value field read in the description
    };

    // The records in the order read: the line description's, then the train description's.
    const std::vector<Record>& records() const { return records_; }
    std::span<const std::int32_t> numbers(const Record& r) const;
    // The number field `i` of `r`, when it was read, and where it stands.
    std::optional<std::int32_t> number(const Record& r, std::size_t i) const;
    scenario::FieldSpan numberSpan(const Record& r, std::size_t i) const {
        return numberSpans_[r.firstNumber + i];
    }
    // The text field of `r` (a station's name, a board's text), Windows-1252; empty when none.
    std::string_view text(const Record& r) const;

    // The record that last put an object into `cell`; nothing when none did or the marks pass
    // after reading did.
    const Record* placer(std::int64_t cell) const;
    bool placedByMarksPass(std::int64_t cell) const;
    // The cells whose object `r` (one of records()) put there last, in order.
    std::vector<std::int64_t> cellsPlacedBy(const Record& r) const;
    // How `file` ended; nothing when its reading stopped before the end, at a failure, outside
    // the route or for want of its "[generale]".
    const std::optional<Ending>& ending(scenario::Description file) const {
        return endings_[file == scenario::Description::line ? 0 : 1];
    }

    // Whether the compilation it heard recorded a failure, as its compiler tells the one who
    // set the trace: warnings about what a drivable scenario lacks wait until it compiles.
    bool failed() const { return failed_; }
    void setFailed(bool failed) { failed_ = failed; }

    // The cell whose being taken made the last placement fail.
    std::optional<std::int64_t> lastTaken() const { return lastTaken_; }

    void recordStarts(scenario::Description file, scenario::RecordKind kind,
                      scenario::FieldSpan keyword) override;
    void fieldRead(const scenario::ReadField& field) override;
    void marksPassStarts() override { current_ = kMarksPass; }
    void placed(std::int64_t cell) override { placers_[cell] = current_; }
    void taken(std::int64_t cell) override { lastTaken_ = cell; }
    void descriptionEnds(scenario::Description file, scenario::FieldSpan span,
                         std::string_view lastWord) override;

  private:
    static constexpr std::int32_t kMarksPass = -1;

    std::vector<Record> records_;
    std::vector<std::int32_t> numbers_;
    std::vector<scenario::FieldSpan> numberSpans_;  // beside numbers_, one for each
    std::string texts_;
    std::int32_t current_ = kMarksPass;
    std::unordered_map<std::int64_t, std::int32_t> placers_;  // the record's index
    std::optional<std::int64_t> lastTaken_;
    scenario::FieldSpan lastValueSpan_;  // the last value field read, and its description's
    scenario::Description lastValueFile_ = scenario::Description::none;
    std::optional<Ending> endings_[2];  // the line's, the train's
    bool failed_ = false;
};

// "FILE:LINE" of a record, with the descriptions' paths as the user gave them.
std::string recordSource(const RecordTrace::Record& r, const std::string& linePath,
                         const std::string& trainPath);

}  // namespace tool
