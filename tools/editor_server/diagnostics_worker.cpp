#include "tools/editor_server/diagnostics_worker.h"

#include <algorithm>
#include <exception>
#include <new>

#include "tools/editor_server/text_ranges.h"

namespace tool::editor {
namespace {

// A check that failed inside (out of memory, a fault of the tool) is told on the document
// rather than ending the server.
json failedCheck(const std::string& words) {
    const json start = positionJson({0, 0});
    return json::array({{{"range", {{"start", start}, {"end", start}}},
                         {"severity", 1},
                         {"code", "check-failed"},
                         {"source", "scenario-tool"},
                         {"message", "the description could not be checked: " + words}}});
}

}  // namespace

DiagnosticsWorker::DiagnosticsWorker(DiagnosticStyle style, Publish publish, Check check)
    : style_(std::move(style)), publish_(std::move(publish)), check_(std::move(check)) {
    thread_ = std::thread([this] { run(); });
}

DiagnosticsWorker::~DiagnosticsWorker() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void DiagnosticsWorker::schedule(CheckOrder order, std::optional<int> version) {
    {
        const std::lock_guard lock(mutex_);
        const std::string uri = order.target.uri;
        const std::uint64_t generation = ++generations_;
        latest_[uri] = generation;
        keep(uri, nullptr);
        waiting_.insert_or_assign(uri, Waiting{std::move(order), version, generation});
    }
    wake_.notify_one();
}

void DiagnosticsWorker::forget(const std::string& uri, const std::function<void()>& then) {
    const std::lock_guard lock(mutex_);
    waiting_.erase(uri);
    latest_.erase(uri);
    keep(uri, nullptr);
    if (then) then();
}

std::shared_ptr<const CompiledPair> DiagnosticsWorker::kept(const std::string& uri) const {
    const std::lock_guard lock(keptMutex_);
    const auto found = kept_.find(uri);
    return found == kept_.end() ? nullptr : found->second;
}

void DiagnosticsWorker::keep(const std::string& uri, std::shared_ptr<const CompiledPair> pair) {
    const std::lock_guard lock(keptMutex_);
    if (pair) {
        kept_.insert_or_assign(uri, std::move(pair));
    } else {
        kept_.erase(uri);
    }
}

void DiagnosticsWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) return;
        while (!waiting_.empty() && !stopping_) {
            // The check waiting longest first: the document edited goes before the trains its
            // edit calls to be checked again.
            const auto first = std::min_element(
                waiting_.begin(), waiting_.end(), [](const auto& a, const auto& b) {
                    return a.second.generation < b.second.generation;
                });
            Waiting next = std::move(first->second);
            waiting_.erase(first);
            lock.unlock();
            CheckedDescription checked;
            try {
                checked = check_(next.order, style_);
            } catch (const std::bad_alloc&) {
                checked = {failedCheck("out of memory"), nullptr};
            } catch (const std::exception& e) {
                checked = {failedCheck(std::string("internal error: ") + e.what()), nullptr};
            }
            lock.lock();
            const std::string& uri = next.order.target.uri;
            const auto latest = latest_.find(uri);
            if (latest != latest_.end() && latest->second == next.generation) {
                keep(uri, std::move(checked.compiled));
                publish_(uri, next.version, std::move(checked.diagnostics));
            }
        }
    }
}

}  // namespace tool::editor
