// Standard output whose every write is checked: a full disk, /dev/full or a closed descriptor
// must end the command with its output-failure status rather than a truncated result and 0.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace tool {

// A buffer in front of a C stream. The first failed or short write, or failed flush, is kept
// with the system's words for it; from then on every write fails, so that the std::ostream
// over it turns bad.
class CheckedOutput : public std::streambuf {
  public:
    explicit CheckedOutput(std::FILE* file);
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;
    ~CheckedOutput() override;

    // Empty while every write has succeeded.
    const std::string& failure() const { return failure_; }

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    bool drain();
    void fail();

    std::FILE* file_;
    std::vector<char> buffer_;
    std::string failure_;
};

// Flushes `out` and returns `status`; when a write to `out` failed, tells so on `err` and
// returns `failedStatus` in place of a status that would report success (0 or 1).
int withOutputChecked(std::ostream& out, std::ostream& err, int status, int failedStatus);

}  // namespace tool
