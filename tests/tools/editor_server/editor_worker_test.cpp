// The diagnostics worker shows only diagnostics of the text the editor holds: a check whose
// document changed while it ran publishes nothing, and the edits that came meanwhile are
// checked once, together, at their newest text.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "tools/editor_server/compiled_cells.h"
#include "tools/editor_server/diagnostics_worker.h"

namespace tool::editor {
namespace {

// Checks that wait until the test lets them finish, and say which text they checked.
class HeldChecks {
  public:
    CheckedDescription check(const CheckOrder& order) {
        std::unique_lock lock(mutex_);
        started_.push_back(order.target.text->text());
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_ >= started_.size(); });
        // The compilation such a check would keep, known by the text it was made from.
        auto pair = std::make_shared<CompiledPair>();
        pair->train = order.target.text;
        return {json::array({{{"message", order.target.text->text()}}}), pair};
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

// What the worker keeps for the hover is the compilation of the latest check scheduled: none
// while a newer text waits or is checked, none once the document is closed.
TEST(EditorWorker, KeepsOnlyTheCompilationOfTheLatestCheck) {
    HeldChecks checks;
    std::mutex mutex;
    std::condition_variable published;
    int publications = 0;
    const std::string uri = "file:///x/X_linea.txt";
    const auto keptText = [&](const DiagnosticsWorker& worker) -> std::string {
        const auto pair = worker.kept(uri);
        return pair ? pair->train->text() : "none";
    };
    DiagnosticsWorker worker(
        {},
        [&](const std::string&, std::optional<int>, json) {
            const std::lock_guard lock(mutex);
            ++publications;
            published.notify_all();
        },
        [&](const CheckOrder& order, const DiagnosticStyle&) { return checks.check(order); });
    const auto waitForPublications = [&](int count) {
        std::unique_lock lock(mutex);
        published.wait(lock, [&] { return publications >= count; });
    };
    worker.schedule(orderOf(uri, "v1"), 1);
    checks.releaseOne();
    waitForPublications(1);
    EXPECT_EQ(keptText(worker), "v1");
    worker.schedule(orderOf(uri, "v2"), 2);
    EXPECT_EQ(keptText(worker), "none") << "a newer text waits";
    checks.waitForStarts(2);
    EXPECT_EQ(keptText(worker), "none") << "a newer text is checked";
    checks.releaseOne();
    waitForPublications(2);
    EXPECT_EQ(keptText(worker), "v2");
    worker.forget(uri);
    EXPECT_EQ(keptText(worker), "none");
}

}  // namespace
}  // namespace tool::editor
