#include "tools/descriptions/record_trace.h"

#include <algorithm>
#include <utility>

namespace tool {

void RecordTrace::recordStarts(scenario::Description file, scenario::RecordKind kind,
                               scenario::FieldSpan keyword) {
    Record r;
    r.kind = kind;
    r.file = file;
    r.place = keyword.start;
    r.firstNumber = static_cast<std::uint32_t>(numbers_.size());
    r.firstTextByte = static_cast<std::uint32_t>(texts_.size());
    current_ = static_cast<std::int32_t>(records_.size());
    records_.push_back(r);
}

// A record's number fields stand together, and its one text field is its last.
void RecordTrace::fieldRead(const scenario::ReadField& field) {
    Record& r = records_.back();
    lastValueSpan_ = field.span;
    lastValueFile_ = r.file;
    const scenario::RecordGrammar& grammar = scenario::recordGrammar(r.kind);
    const std::size_t index = r.numberCount;
    const std::span<const scenario::FieldGrammar> fields = grammar.fields();
    if (index < fields.size() && fields[index].width == scenario::FieldWidth::text) {
        texts_.append(field.text);
        r.textSize = static_cast<std::uint32_t>(field.text.size());
        r.textSpan = field.span;
        return;
    }
    numbers_.push_back(field.number);
    numberSpans_.push_back(field.span);
    ++r.numberCount;
}

void RecordTrace::descriptionEnds(scenario::Description file, scenario::FieldSpan span,
                                  std::string_view lastWord) {
    const auto at = [](scenario::SourcePlace p) { return std::pair(p.line, p.column); };
    Ending ending;
    ending.lastWordSpan = span;
    ending.lastWord = std::string(lastWord);
    if (lastValueFile_ == file) {
        ending.lastValueSpan = lastValueSpan_;
        ending.valueAfter = span.start.line == 0 || at(lastValueSpan_.start) > at(span.start);
    }
    endings_[file == scenario::Description::line ? 0 : 1] = std::move(ending);
}

std::span<const std::int32_t> RecordTrace::numbers(const Record& r) const {
    return std::span<const std::int32_t>(numbers_).subspan(r.firstNumber, r.numberCount);
}

std::optional<std::int32_t> RecordTrace::number(const Record& r, std::size_t i) const {
    if (i >= r.numberCount) return std::nullopt;
    return numbers_[r.firstNumber + i];
}

std::string_view RecordTrace::text(const Record& r) const {
    return std::string_view(texts_).substr(r.firstTextByte, r.textSize);
}

const RecordTrace::Record* RecordTrace::placer(std::int64_t cell) const {
    const auto it = placers_.find(cell);
    if (it == placers_.end() || it->second == kMarksPass) return nullptr;
    return &records_[static_cast<std::size_t>(it->second)];
}

std::vector<std::int64_t> RecordTrace::cellsPlacedBy(const Record& r) const {
    const auto index = static_cast<std::int32_t>(&r - records_.data());
    std::vector<std::int64_t> cells;
    for (const auto& [cell, placer] : placers_) {
        if (placer == index) cells.push_back(cell);
    }
    std::sort(cells.begin(), cells.end());
    return cells;
}

bool RecordTrace::placedByMarksPass(std::int64_t cell) const {
    const auto it = placers_.find(cell);
    return it != placers_.end() && it->second == kMarksPass;
}

std::string recordSource(const RecordTrace::Record& r, const std::string& linePath,
                         const std::string& trainPath) {
    return (r.file == scenario::Description::line ? linePath : trainPath) + ":" +
           std::to_string(r.place.line);
}

}  // namespace tool
