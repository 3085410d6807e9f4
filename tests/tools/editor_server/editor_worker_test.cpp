// The diagnostics worker shows only diagnostics of the text the editor holds: a check whose
// document changed while it ran publishes nothing, and the edits that came meanwhile are
// checked once, together, at their newest text.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "tools/editor_server/diagnostics_worker.h"

namespace tool::editor {
namespace {

// Checks that wait until the test lets them finish, and say which text they checked.
class HeldChecks {
  public:
    json check(const CheckOrder& order) {
        std::unique_lock lock(mutex_);
        started_.push_back(order.target.text->text());
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_ >= started_.size(); });
        return json::array({{{"message", order.target.text->text()}}});
    }
    void waitForStarts(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_.size() >= count; });
    }
    void releaseOne() {
        const std::lock_guard lock(mutex_);
        ++released_;
        changed_.notify_all();
    }
    std::vector<std::string> started() {
        const std::lock_guard lock(mutex_);
        return started_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> started_;
    std::size_t released_ = 0;
};

CheckOrder orderOf(const std::string& uri, const std::string& text) {
    CheckOrder order;
    order.target = {"/x/X_linea.txt", uri, std::make_shared<const DocumentText>(text)};
    return order;
}

TEST(EditorWorker, AResultOfAnOlderTextIsDroppedAndTheNewestIsCheckedOnce) {
    HeldChecks checks;
    std::mutex mutex;
    std::condition_variable published;
    std::vector<std::pair<int, std::string>> seen;
    {
        DiagnosticsWorker worker(
            {},
            [&](const std::string&, std::optional<int> version, json diagnostics) {
                const std::lock_guard lock(mutex);
                seen.emplace_back(*version, diagnostics[0]["message"].get<std::string>());
                published.notify_all();
            },
            [&](const CheckOrder& order, const DiagnosticStyle&) { return checks.check(order); });
        worker.schedule(orderOf("file:///x/X_linea.txt", "v1"), 1);
        checks.waitForStarts(1);
        // Three keystrokes while the first text is checked.
        worker.schedule(orderOf("file:///x/X_linea.txt", "v2"), 2);
        worker.schedule(orderOf("file:///x/X_linea.txt", "v3"), 3);
        worker.schedule(orderOf("file:///x/X_linea.txt", "v4"), 4);
        checks.releaseOne();
        checks.waitForStarts(2);
        checks.releaseOne();
        std::unique_lock lock(mutex);
        published.wait(lock, [&] { return !seen.empty(); });
    }
    EXPECT_EQ(checks.started(), (std::vector<std::string>{"v1", "v4"}));
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{{4, "v4"}}));
}

TEST(EditorWorker, NothingIsPublishedForADocumentClosedWhileItWasChecked) {
    HeldChecks checks;
    int publications = 0;
    {
        DiagnosticsWorker worker(
            {}, [&](const std::string&, std::optional<int>, json) { ++publications; },
            [&](const CheckOrder& order, const DiagnosticStyle&) { return checks.check(order); });
        worker.schedule(orderOf("file:///x/X_linea.txt", "v1"), 1);
        checks.waitForStarts(1);
        worker.forget("file:///x/X_linea.txt");
        checks.releaseOne();
    }
    EXPECT_EQ(publications, 0);
}

}  // namespace
}  // namespace tool::editor
