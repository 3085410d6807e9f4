// The server's output: each message framed and flushed whole, one at a time, from the thread
// that handles the editor's messages and from the one that publishes diagnostics alike.
#pragma once

#include <atomic>
#include <mutex>
#include <ostream>
#include <string_view>

namespace tool::editor {

class MessageWriter {
  public:
    explicit MessageWriter(std::ostream& out) : out_(out) {}

    void send(std::string_view body);
    // A write failed: the editor no longer reads what the server says.
    bool failed() const { return failed_; }

  private:
    std::mutex mutex_;
    std::ostream& out_;
    std::atomic<bool> failed_ = false;
};

}  // namespace tool::editor
