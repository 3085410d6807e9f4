// Reads a description file as a stream of fields separated by commas or line ends.
//
// A text field runs to the next comma or line end (inner blanks kept, blanks before its end
// dropped); one that starts with a double quote runs to the closing quote. A number field ends
// at the first blank, comma or line end, and the blanks after it with a comma or line end that
// follows them go with it, so numbers may be separated by blanks alone. A field of blanks only
// reads as 0. Reading when nothing is left, a number that is not a whole decimal number, and a
// number that does not fit its width are read failures.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scenario {

// Where a field starts: line and column counted from 1, columns in bytes.
struct SourcePlace {
    int line = 0;
    int column = 0;
    friend bool operator==(const SourcePlace&, const SourcePlace&) = default;
};

// Where a field stands: from its first character to the place just after its last (a quoted
// text with its quotes). A field of blanks only starts and ends at the same place.
struct FieldSpan {
    SourcePlace start;
    SourcePlace end;
    friend bool operator==(const FieldSpan&, const FieldSpan&) = default;
};

class ReadFailure : public std::runtime_error {
  public:
    ReadFailure(const std::string& what, SourcePlace place)
        : std::runtime_error(what), place_(place) {}
    // A failure of a value an earlier record gave, found while a later one is read: `record`
    // is where that earlier record's keyword stands, `place` its field.
    ReadFailure(const std::string& what, SourcePlace place, SourcePlace record)
        : std::runtime_error(what), place_(place), record_(record) {}
    SourcePlace place() const { return place_; }
    // The keyword of the record the failing value belongs to, when it is not the one being read.
    SourcePlace record() const { return record_; }

  private:
    SourcePlace place_;
    SourcePlace record_;
};

class FieldReader {
  public:
    explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

    // True when nothing is left after the field just read.
    bool atEnd() const { return pos_ >= bytes_.size(); }

    std::string readText();
    std::int32_t readInt32() { return static_cast<std::int32_t>(readNumber(INT32_MIN, INT32_MAX)); }
    std::int16_t readInt16() { return static_cast<std::int16_t>(readNumber(INT16_MIN, INT16_MAX)); }
    std::uint8_t readByte() { return static_cast<std::uint8_t>(readNumber(0, UINT8_MAX)); }

    // Where the field most recently read starts, and where it stands.
    SourcePlace fieldPlace() const { return fieldPlace_; }
    FieldSpan fieldSpan() const {
        if (fieldColumns_ < 0) return {fieldPlace_, quotedEnd_};
        return {fieldPlace_, {fieldPlace_.line, fieldPlace_.column + fieldColumns_}};
    }

  private:
    std::int64_t readNumber(std::int64_t min, std::int64_t max);
    void startField();  // skips blanks, fails when nothing is left, notes the place
    bool atBlank() const;
    bool atLineEnd() const;
    void consumeLineEnd();
    SourcePlace here() const;

    std::string_view bytes_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::size_t lineStart_ = 0;
    SourcePlace fieldPlace_;
    // How many bytes the field takes on its line; -1 for a quoted text, which ends at quotedEnd_.
    int fieldColumns_ = 0;
    SourcePlace quotedEnd_;
};

}  // namespace scenario
