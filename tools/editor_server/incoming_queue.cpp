#include "tools/editor_server/incoming_queue.h"

#include <array>

#include "tools/editor_server/message_framing.h"

namespace tool::editor {
namespace {

Incoming fromFrame(Frame frame) {
    if (frame.kind == Frame::Kind::message) return readIncoming(frame.body);
    Incoming bad;
    bad.kind = Incoming::Kind::invalid;
    bad.errorCode = frame.kind == Frame::Kind::badHeader ? rpc::kParseError : rpc::kInvalidRequest;
    bad.problem = std::move(frame.problem);
    return bad;
}

}  // namespace

void IncomingQueue::push(std::vector<Queued> messages) {
    {
        std::unique_lock lock(mutex_);
        roomy_.wait(lock, [this] { return waitingBytes_ <= kMaxWaitingBytes; });
        for (Queued& queued : messages) {
            Incoming& in = queued.message;
            const bool cancel = in.kind == Incoming::Kind::notification &&
                                in.method == "$/cancelRequest" && in.params.is_object() &&
                                in.params.contains("id");
            if (!cancel) {
                waitingBytes_ += queued.bytes;
                waiting_.push_back(std::move(queued));
                continue;
            }
            for (Queued& q : waiting_) {
                if (q.message.kind == Incoming::Kind::request &&
                    q.message.id == in.params.at("id")) {
                    q.cancelled = true;
                }
            }
        }
    }
    ready_.notify_one();
}

void IncomingQueue::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    ready_.notify_one();
}

std::optional<Queued> IncomingQueue::pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !waiting_.empty(); });
    if (waiting_.empty()) return std::nullopt;
    Queued next = std::move(waiting_.front());
    waiting_.pop_front();
    waitingBytes_ -= next.bytes;
    roomy_.notify_one();
    return next;
}

void readMessages(const std::function<std::size_t(char*, std::size_t)>& read,
                  IncomingQueue& queue) {
    MessageReader reader;
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const std::size_t got = read(buffer.data(), buffer.size());
        if (got == 0) break;
        reader.feed(std::string_view(buffer.data(), got));
        std::vector<Queued> messages;
        while (std::optional<Frame> frame = reader.next()) {
            const std::size_t bytes = frame->body.size();
            messages.push_back({fromFrame(std::move(*frame)), false, bytes});
        }
        if (!messages.empty()) queue.push(std::move(messages));
    }
    queue.close();
}

}  // namespace tool::editor
