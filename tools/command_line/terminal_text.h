// Texts from descriptions and compiled files shown to a person: a control character sent to a
// terminal as it is could retitle it, clear it or move its cursor, so it is shown instead.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace tool {

// `utf8` with every control character written out: bytes below 0x20 but the tab, and 0x7F, as
// `\xHH` (an escape as `\x1b`); the C1 controls U+0080 to U+009F, which a terminal may also
// act on, as `\u0080` to `\u009f`. Everything else, the tab and backslashes included, is kept.
std::string shownText(std::string_view utf8);

// How many characters of the shown form stand for the UTF-8 character that starts at
// `utf8[at]`, and how many bytes it takes: so that a caret can be placed under a column.
struct ShownCharacter {
    std::size_t bytes = 1;
    std::size_t width = 1;
};
ShownCharacter shownCharacter(std::string_view utf8, std::size_t at);

// A stream buffer in front of `target` for text that only a person reads (standard error):
// every control character written through it reaches `target` shown as shownText shows it, but
// the line end, which ends each message, and the tab are kept. A path or a name a message
// quotes is then harmless whoever built the message.
class ShownTextOutput : public std::streambuf {
  public:
    explicit ShownTextOutput(std::ostream& target) : target_(target) {}
    ShownTextOutput(const ShownTextOutput&) = delete;
    ShownTextOutput& operator=(const ShownTextOutput&) = delete;
    ~ShownTextOutput() override;

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    void put(unsigned char byte);

    std::ostream& target_;
    // A 0xC2 byte: the byte after it tells whether the two are a C1 control.
    bool leadHeld_ = false;
};

}  // namespace tool
