#include "compiler/field_reader.h"

namespace scenario {

bool FieldReader::atBlank() const {
    return pos_ < bytes_.size() && (bytes_[pos_] == ' ' || bytes_[pos_] == '\t');
}

bool FieldReader::atLineEnd() const {
    return pos_ < bytes_.size() && (bytes_[pos_] == '\r' || bytes_[pos_] == '\n');
}

// A line end is CR LF, or a lone CR or LF.
void FieldReader::consumeLineEnd() {
    if (bytes_[pos_] == '\r') {
        ++pos_;
        if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
    } else {
        ++pos_;
    }
    ++line_;
    lineStart_ = pos_;
}

SourcePlace FieldReader::here() const {
    return {line_, static_cast<int>(pos_ - lineStart_) + 1};
}

void FieldReader::startField() {
    if (atEnd()) throw ReadFailure("the file ends where a field is expected", here());
    while (atBlank()) ++pos_;
    fieldPlace_ = here();
}

std::string FieldReader::readText() {
    startField();
    std::string text;
    if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
        ++pos_;
        const std::size_t close = bytes_.find('"', pos_);
        const std::size_t stop = close == std::string_view::npos ? bytes_.size() : close;
        text.assign(bytes_.substr(pos_, stop - pos_));
        // A quoted text may hold line ends; keep the line count true.
        for (std::size_t i = pos_; i < stop; ++i) {
            if (bytes_[i] == '\n' ||
                (bytes_[i] == '\r' && (i + 1 >= stop || bytes_[i + 1] != '\n'))) {
                ++line_;
                lineStart_ = i + 1;
            }
        }
        pos_ = close == std::string_view::npos ? bytes_.size() : close + 1;
        quotedEnd_ = here();
        fieldColumns_ = -1;
        // Whatever stands between the closing quote and the field's end is not part of it.
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !atLineEnd()) ++pos_;
    } else {
        const std::size_t begin = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !atLineEnd()) ++pos_;
        std::size_t end = pos_;
        while (end > begin && (bytes_[end - 1] == ' ' || bytes_[end - 1] == '\t')) --end;
        text.assign(bytes_.substr(begin, end - begin));
        fieldColumns_ = static_cast<int>(end - begin);
    }
    if (pos_ < bytes_.size()) {
        if (bytes_[pos_] == ',') {
            ++pos_;
        } else {
            consumeLineEnd();
        }
    }
    return text;
}

std::int64_t FieldReader::readNumber(std::int64_t min, std::int64_t max) {
    startField();
    const std::size_t begin = pos_;
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !atLineEnd() && !atBlank()) ++pos_;
    const std::string_view token = bytes_.substr(begin, pos_ - begin);
    fieldColumns_ = static_cast<int>(pos_ - begin);
    while (atBlank()) ++pos_;
    if (pos_ < bytes_.size()) {
        if (bytes_[pos_] == ',') {
            ++pos_;
        } else if (atLineEnd()) {
            consumeLineEnd();
        }
    }

    if (token.empty()) return 0;
    std::size_t i = 0;
    bool negative = false;
    if (token[0] == '+' || token[0] == '-') {
        negative = token[0] == '-';
        i = 1;
    }
    if (i == token.size()) {
        throw ReadFailure("'" + std::string(token) + "' is not a number", fieldPlace_);
    }
    std::int64_t magnitude = 0;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        if (c < '0' || c > '9') {
            throw ReadFailure("'" + std::string(token) + "' is not a whole number", fieldPlace_);
        }
        // Past 2^40 the value fits no width; stop growing it but keep checking the digits.
        if (magnitude < (std::int64_t{1} << 40)) magnitude = magnitude * 10 + (c - '0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < min || value > max) {
        throw ReadFailure("the number " + std::string(token) + " does not fit in " +
                              (max == UINT8_MAX   ? "8 bits"
                               : max == INT16_MAX ? "16 bits"
                                                  : "32 bits"),
                          fieldPlace_);
    }
    return value;
}

}  // namespace scenario
