// The checks behind the diagnostics, on a thread of their own so that the editor's requests
// are answered while a description compiles. Each document has at most one check waiting, of
// its newest text: an edit replaces the check waiting for the text before it, and the result
// of a check whose document has changed since it began is dropped, so that the editor is shown
// only diagnostics of the text it holds and no stale check is queued ahead of a fresh one. A
// check starts as soon as the worker is free: the keystrokes that come while it runs are taken
// together by the next one, which is all the waiting a burst of typing needs.
//
// The compilation a check made is kept with its document, while that check is the latest
// scheduled, for the hover to read on the server's own thread: it is made whole before it is
// kept and never changed after, so the two threads share it without a lock of their own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "tools/editor_server/description_check.h"

namespace tool::editor {

class DiagnosticsWorker {
  public:
    // Called on the worker's thread with a check's result for a document and the version of
    // the document it was made from.
    using Publish =
        std::function<void(const std::string& uri, std::optional<int> version, json diagnostics)>;

    // What a check is: checkDescription, or a stand-in in the tests.
    using Check =
        std::function<CheckedDescription(const CheckOrder& order, const DiagnosticStyle& style)>;

    DiagnosticsWorker(DiagnosticStyle style, Publish publish, Check check = checkDescription);
    ~DiagnosticsWorker();
    DiagnosticsWorker(const DiagnosticsWorker&) = delete;
    DiagnosticsWorker& operator=(const DiagnosticsWorker&) = delete;

    void schedule(CheckOrder order, std::optional<int> version);
    // The document is closed: nothing more is published for it until it is scheduled again.
    // `then` runs while no result can be published, so that what it publishes comes last.
    void forget(const std::string& uri, const std::function<void()>& then = {});
    // The compilation of the latest check scheduled for `uri`, once that check is done; none
    // before, and none when it compiled nothing.
    std::shared_ptr<const CompiledPair> kept(const std::string& uri) const;

  private:
    struct Waiting {
        CheckOrder order;
        std::optional<int> version;
        std::uint64_t generation = 0;
    };

    void run();
    void keep(const std::string& uri, std::shared_ptr<const CompiledPair> pair);

    const DiagnosticStyle style_;
    const Publish publish_;
    const Check check_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<std::string, Waiting> waiting_;
    std::map<std::string, std::uint64_t> latest_;  // the generation last scheduled, by document
    std::uint64_t generations_ = 0;
    // Written with mutex_ held as well, so that what is kept is always the latest check's;
    // read with keptMutex_ alone, which is never held long.
    mutable std::mutex keptMutex_;
    std::map<std::string, std::shared_ptr<const CompiledPair>> kept_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tool::editor
