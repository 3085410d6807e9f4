// The messages from the editor, read on a thread of their own and waiting in order to be
// handled. A request still waiting when the editor cancels it is marked, so that it is answered
// as cancelled rather than worked on: the handler takes each message after those before it,
// and cancellations that come in while it works reach the requests behind.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "tools/editor_server/json_rpc.h"

namespace tool::editor {

struct Queued {
    Incoming message;
    bool cancelled = false;
    std::size_t bytes = 0;  // the size of the message as it came
};

// The reader waits while messages of more than this many bytes wait to be handled, so that an
// editor that sends faster than the server works holds at most this much memory.
inline constexpr std::size_t kMaxWaitingBytes = std::size_t{256} << 20;

class IncomingQueue {
  public:
    // Adds messages read together, each with its size; a "$/cancelRequest" among them marks
    // its request if it is still waiting, and goes no further. Waits first while too much is
    // waiting.
    void push(std::vector<Queued> messages);
    void close();  // the input has ended: pop gives what is left, then nothing
    std::optional<Queued> pop();

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable roomy_;
    std::deque<Queued> waiting_;
    std::size_t waitingBytes_ = 0;
    bool closed_ = false;
};

// Reads messages with `read` (as readStandardInput does) into `queue` until the input ends,
// then closes it. Meant to run on a thread of its own.
void readMessages(const std::function<std::size_t(char*, std::size_t)>& read, IncomingQueue& queue);

}  // namespace tool::editor
