// The language server in this process, driven as an editor drives it: the lifecycle and its
// errors, and the carried scenario's train description edited in the editor, checked with the
// line description beside it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <streambuf>
#include <thread>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/editor_server/file_uri.h"
#include "tools/editor_server/language_server.h"
#include "tools/editor_server/message_framing.h"

namespace tool::editor {
namespace {

using testing::spit;
using testing::TempDir;

// What the server writes, kept for the test to wait on from another thread.
class SharedOutput : public std::streambuf {
  public:
    // The messages written so far, from the `from`th on.
    std::vector<json> messages(std::size_t from) {
        std::string text;
        {
            const std::lock_guard lock(mutex_);
            text = text_;
        }
        MessageReader reader;
        reader.feed(text);
        std::vector<json> out;
        std::size_t index = 0;
        while (auto frame = reader.next()) {
            if (index++ >= from) out.push_back(json::parse(frame->body));
        }
        return out;
    }
    void waitForMore(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const std::size_t size = text_.size();
        ready_.wait_for(lock, timeout, [&] { return text_.size() != size; });
    }

  protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) xsputn(reinterpret_cast<const char*>(&c), 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        {
            const std::lock_guard lock(mutex_);
            text_.append(s, static_cast<std::size_t>(n));
        }
        ready_.notify_all();
        return n;
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::string text_;
};

class Session {
  public:
    explicit Session(ServerSettings settings = {"file:///docs/", "t", std::nullopt})
        : server_(writer_, std::move(settings)),
          thread_([this] { status_ = server_.serve(queue_); }) {}
    ~Session() {
        queue_.close();
        thread_.join();
    }

    void send(const json& message) { queue_.push({{readIncoming(message.dump()), false, 0}}); }
    void sendText(const std::string& body) { queue_.push({{readIncoming(body), false, 0}}); }
    void notify(const std::string& method, const json& params) {
        send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    json request(const std::string& method, const json& params = json::object()) {
        const int id = ++lastId_;
        send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
        return waitFor([&](const json& m) { return m.contains("id") && m["id"] == id; });
    }
    // The first message not yet taken that `matches`; fails the test after 20 s.
    template <class Match>
    json waitFor(Match matches) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::vector<json> all = output_.messages(0);
            taken_.resize(all.size(), false);
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (!taken_[i] && matches(all[i])) {
                    taken_[i] = true;
                    return all[i];
                }
            }
            output_.waitForMore(std::chrono::milliseconds(50));
        }
        ADD_FAILURE() << "no such message came";
        return nullptr;
    }
    json diagnosticsOf(const std::string& uri, int version) {
        return waitFor([&](const json& m) {
            return m.value("method", "") == "textDocument/publishDiagnostics" &&
                   m["params"]["uri"] == uri && m["params"].value("version", -1) == version;
        })["params"]["diagnostics"];
    }
    json initialize(const json& capabilities = json::object()) {
        const json answer = request("initialize", {{"capabilities", capabilities}});
        notify("initialized", json::object());
        return answer;
    }
    // The status serve() returned, once the server has ended.
    int ended() {
        queue_.close();
        thread_.join();
        thread_ = std::thread([] {});
        return status_;
    }

  private:
    SharedOutput output_;
    std::ostream out_{&output_};
    MessageWriter writer_{out_};
    IncomingQueue queue_;
    LanguageServer server_;
    int status_ = -1;
    int lastId_ = 0;
    std::vector<bool> taken_;
    std::thread thread_;
};

int errorCode(const json& answer) {
    return answer.contains("error") ? answer["error"]["code"].get<int>() : 0;
}

TEST(EditorServer, LifecycleAndItsErrors) {
    {
        Session s;
        EXPECT_EQ(errorCode(s.request("textDocument/hover")), rpc::kServerNotInitialized);
        const json answer = s.initialize();
        EXPECT_EQ(answer["result"]["capabilities"]["positionEncoding"], "utf-16");
        EXPECT_EQ(answer["result"]["capabilities"]["textDocumentSync"]["change"], 2);
        EXPECT_EQ(errorCode(s.request("initialize")), rpc::kInvalidParams);
        EXPECT_EQ(errorCode(s.request("textDocument/unknown")), rpc::kMethodNotFound);
        s.notify("$/unknownNotification", json::object());  // no answer
        s.sendText("[1, 2]");
        EXPECT_EQ(errorCode(s.waitFor([](const json& m) { return m.contains("error"); })),
                  rpc::kInvalidRequest);
        s.sendText("{\"jsonrpc\": \"2.0\", \"id\": 7, \"method\": ");
        EXPECT_EQ(errorCode(s.waitFor([](const json& m) { return m.contains("error"); })),
                  rpc::kParseError);
        EXPECT_EQ(errorCode(s.request("textDocument/hover", {{"textDocument", 5}})),
                  rpc::kInvalidParams);
        // A document never opened answers empty.
        const json unknown = {{"textDocument", {{"uri", "file:///nowhere/X_linea.txt"}}},
                              {"position", {{"line", 0}, {"character", 0}}}};
        EXPECT_TRUE(s.request("textDocument/hover", unknown)["result"].is_null());
        EXPECT_EQ(s.request("textDocument/documentSymbol", unknown)["result"], json::array());
        EXPECT_TRUE(s.request("shutdown")["result"].is_null());
        EXPECT_EQ(errorCode(s.request("textDocument/hover", unknown)), rpc::kInvalidRequest);
        s.notify("exit", nullptr);
        EXPECT_EQ(s.ended(), 0);
    }
    {
        Session s;
        EXPECT_EQ(
            s.initialize({{"general",
                           {{"positionEncodings",
                             {"utf-8", "utf-16"}}}}})["result"]["capabilities"]["positionEncoding"],
            "utf-8");
        s.notify("exit", nullptr);
        EXPECT_EQ(s.ended(), 1) << "exit without shutdown";
    }
    {
        Session s;
        s.initialize();
        EXPECT_EQ(s.ended(), 1) << "the input ended without exit";
    }
}

class EditedScenario : public ::testing::Test {
  protected:
    void SetUp() override {
        line_ = scenario::content::encodeDocument(scenario::content::lineDescription());
        train_ = scenario::content::encodeDocument(scenario::content::trainDescription());
        spit(dir_.file("GENOVA_TORINO_linea.txt"), line_);
        spit(dir_.file("GENOVA_TORINO_IC514-.txt"), train_);
        trainUri_ = uriFromPath(dir_.file("GENOVA_TORINO_IC514-.txt"));
        lineUri_ = uriFromPath(dir_.file("GENOVA_TORINO_linea.txt"));
    }

    void open(Session& s, const std::string& uri, const std::string& text) {
        s.notify("textDocument/didOpen",
                 {{"textDocument",
                   {{"uri", uri}, {"languageId", "x"}, {"version", 1}, {"text", text}}}});
    }
    // Replaces `from` by `to` on line `line` (from 0), as one incremental change.
    void edit(Session& s, const std::string& uri, int version, std::size_t line,
              const std::string& text, const std::string& from, const std::string& to) {
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        s.notify("textDocument/didChange",
                 {{"textDocument", {{"uri", uri}, {"version", version}}},
                  {"contentChanges",
                   {{{"range",
                      {{"start", {{"line", line}, {"character", 0}}},
                       {"end", {{"line", line}, {"character", from.size()}}}}},
                     {"text", to}}}}});
    }
    static std::size_t lineOf(const std::string& text, const std::string& what) {
        const std::size_t at = text.find(what);
        EXPECT_NE(at, std::string::npos) << what;
        return static_cast<std::size_t>(
            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    }
    static const json* withCode(const json& diagnostics, const std::string& code) {
        for (const json& d : diagnostics) {
            if (d["code"] == code) return &d;
        }
        return nullptr;
    }

    TempDir dir_;
    std::string line_;
    std::string train_;
    std::string trainUri_;
    std::string lineUri_;
};

TEST_F(EditedScenario, ASignalOnATakenCellIsMarkedAtItsFieldAndClearedByTheMend) {
    Session s;
    s.initialize();
    open(s, trainUri_, train_);
    EXPECT_EQ(s.diagnosticsOf(trainUri_, 1), json::array());

    const std::size_t line = lineOf(train_, "segnale,    2600,");
    // The line as the editor holds it, with the line's end it was given.
    const std::string original = train_.substr(train_.find("segnale,    2600,"), 17);
    edit(s, trainUri_, 2, line, train_, "segnale,    2600,", "segnale,    1500,");
    const json broken = s.diagnosticsOf(trainUri_, 2);
    const json* taken = withCode(broken, "error-16");
    ASSERT_NE(taken, nullptr) << broken.dump(1);
    EXPECT_EQ((*taken)["severity"], 1);
    // The record's keyword and the position it gives: "segnale,    1500".
    EXPECT_EQ((*taken)["range"]["start"], (json{{"line", line}, {"character", 0}}));
    EXPECT_EQ((*taken)["range"]["end"], (json{{"line", line}, {"character", 16}}));
    EXPECT_EQ((*taken)["codeDescription"]["href"],
              "file:///docs/errors.md#error-16-signal-cell-already-taken");
    ASSERT_TRUE(taken->contains("relatedInformation"));
    const json& holder = (*taken)["relatedInformation"][0];
    EXPECT_EQ(holder["location"]["uri"], trainUri_);
    EXPECT_NE(holder["message"].get<std::string>().find("already holds"), std::string::npos);

    edit(s, trainUri_, 3, line, train_, "segnale,    1500,", original);
    EXPECT_EQ(s.diagnosticsOf(trainUri_, 3), json::array());
}

TEST_F(EditedScenario, AnOpenLineIsCheckedAloneAndItsTrainsWithIt) {
    Session s;
    s.initialize();
    open(s, trainUri_, train_);
    s.diagnosticsOf(trainUri_, 1);
    open(s, lineUri_, line_);
    EXPECT_EQ(s.diagnosticsOf(lineUri_, 1), json::array());
    // A gradient record with a letter in its number: the line fails there, and the train is
    // checked with that record left out and told so.
    const std::size_t line = lineOf(line_, "pendenza,");
    const std::string record = line_.substr(line_.find("pendenza,"), 9);
    edit(s, lineUri_, 2, line, line_, record, "pendenza, x");
    const json lineErrors = s.diagnosticsOf(lineUri_, 2);
    ASSERT_NE(withCode(lineErrors, "error-25"), nullptr) << lineErrors.dump(1);
    // The train is checked again at the line's open and at its edit, or at the edit alone when
    // the edit replaced the check the open called for.
    const json trainNow = s.waitFor([&](const json& m) {
        return m.value("method", "") == "textDocument/publishDiagnostics" &&
               m["params"]["uri"] == trainUri_ &&
               withCode(m["params"]["diagnostics"], "line-description-errors");
    })["params"]["diagnostics"];
    const json* told = withCode(trainNow, "line-description-errors");
    ASSERT_NE(told, nullptr) << trainNow.dump(1);
    EXPECT_EQ((*told)["relatedInformation"][0]["location"]["uri"], lineUri_);
    EXPECT_EQ((*told)["relatedInformation"][0]["location"]["range"]["start"]["line"], line);
    // Closed, the line is read from its file again, which has no error.
    s.notify("textDocument/didClose", {{"textDocument", {{"uri", lineUri_}}}});
    EXPECT_EQ(s.waitFor([&](const json& m) {
        return m.value("method", "") == "textDocument/publishDiagnostics" &&
               m["params"]["uri"] == trainUri_ && m["params"]["diagnostics"].empty();
    })["params"]["version"],
              1);
    EXPECT_EQ(s.waitFor([&](const json& m) {
        return m.value("method", "") == "textDocument/publishDiagnostics" &&
               m["params"]["uri"] == lineUri_;
    })["params"]["diagnostics"],
              json::array())
        << "a closed document's diagnostics are cleared";
}

TEST_F(EditedScenario, MisspeltKeywordsGetAQuickFixAndUnsavableCharactersTheirPlace) {
    Session s;
    s.initialize();
    open(s, trainUri_, train_);
    s.diagnosticsOf(trainUri_, 1);
    const std::size_t line = lineOf(train_, "segnale,    2600,");
    edit(s, trainUri_, 2, line, train_, "segnale", "segnlae");
    const json diagnostics = s.diagnosticsOf(trainUri_, 2);
    const json* misspelt = withCode(diagnostics, "unknown-keyword");
    ASSERT_NE(misspelt, nullptr);
    const json actions = s.request("textDocument/codeAction",
                                   {{"textDocument", {{"uri", trainUri_}}},
                                    {"range", (*misspelt)["range"]},
                                    {"context", {{"diagnostics", json::array()}}}})["result"];
    ASSERT_EQ(actions.size(), 1u) << actions.dump(1);
    const json& change = actions[0]["edit"]["changes"][trainUri_][0];
    EXPECT_EQ(change["newText"], "segnale");
    EXPECT_EQ(change["range"]["start"], (json{{"line", line}, {"character", 0}}));
    EXPECT_EQ(change["range"]["end"], (json{{"line", line}, {"character", 7}}));

    // "✓" after "à": one UTF-16 unit each, so the mark stands at character 2 of the line.
    const std::size_t first = lineOf(train_, "[generale]");
    s.notify("textDocument/didChange", {{"textDocument", {{"uri", trainUri_}, {"version", 3}}},
                                        {"contentChanges",
                                         {{{"range",
                                            {{"start", {{"line", first}, {"character", 0}}},
                                             {"end", {{"line", first}, {"character", 0}}}}},
                                           {"text", "-\xC3\xA0\xE2\x9C\x93\r\n"}}}}});
    const json marked = s.diagnosticsOf(trainUri_, 3);
    const json* unsavable = withCode(marked, "not-windows-1252");
    ASSERT_NE(unsavable, nullptr);
    EXPECT_EQ((*unsavable)["range"]["start"], (json{{"line", first}, {"character", 2}}));
    EXPECT_EQ((*unsavable)["range"]["end"], (json{{"line", first}, {"character", 3}}));
}

TEST_F(EditedScenario, HoverCompletionAndSignatureAtAField) {
    Session s;
    s.initialize(
        {{"textDocument", {{"completion", {{"completionItem", {{"snippetSupport", true}}}}}}}});
    open(s, trainUri_, train_);
    const std::size_t line = lineOf(train_, "segnale,    2600,");
    const auto at = [&](std::size_t character) {
        return json{{"textDocument", {{"uri", trainUri_}}},
                    {"position", {{"line", line}, {"character", character}}}};
    };
    const std::string hover =
        s.request("textDocument/hover", at(13))["result"]["contents"]["value"];
    EXPECT_NE(hover.find("`position`"), std::string::npos) << hover;
    EXPECT_NE(hover.find("km 2+600, cell 53"), std::string::npos) << hover;
    // What the compiler put into the signal's cell, from the editor's text compiled.
    EXPECT_NE(hover.find("Compiled:\n- cell 53: signal (s1_d1 22, s2_d2 31"), std::string::npos)
        << hover;
    // A station puts its stop into a cell of its own.
    const std::size_t station = lineOf(train_, "stazione,    3150,");
    const std::string stationHover =
        s.request("textDocument/hover",
                  {{"textDocument", {{"uri", trainUri_}}},
                   {"position", {{"line", station}, {"character", 14}}}})["result"]["contents"]
            .value("value", "");
    EXPECT_NE(stationHover.find(": station stop GENOVA P.PRINCIPE"), std::string::npos)
        << stationHover;
    const std::string keyword =
        s.request("textDocument/hover", at(2))["result"]["contents"]["value"];
    EXPECT_NE(keyword.find("a signal, 11 fields"), std::string::npos) << keyword;
    const json signature = s.request("textDocument/signatureHelp", at(13))["result"];
    EXPECT_EQ(signature["activeParameter"], 0);
    EXPECT_EQ(signature["signatures"][0]["parameters"].size(), 11u);
    const json items = s.request("textDocument/completion", at(0))["result"];
    const auto signal = std::find_if(items.begin(), items.end(),
                                     [](const json& i) { return i["label"] == "segnale"; });
    ASSERT_NE(signal, items.end());
    EXPECT_EQ((*signal)["textEdit"]["newText"].get<std::string>().substr(0, 25),
              "segnale, ${1:position}, $");
    EXPECT_EQ(s.request("textDocument/completion", at(13))["result"], json::array());
}

// The hover's "Compiled:" list comes from the check of the texts the editor holds: after an
// edit it shows the edited record's cells, and once the check is done it compiles nothing.
TEST_F(EditedScenario, TheHoverReadsTheCompilationOfTheCheckOfItsTexts) {
    std::atomic<int> hoverCompilations = 0;
    Session s({"file:///docs/", "t", std::nullopt, [&](const CheckOrder& order) {
                   ++hoverCompilations;
                   return compilePair(order);
               }});
    s.initialize();
    open(s, trainUri_, train_);
    EXPECT_EQ(s.diagnosticsOf(trainUri_, 1), json::array());
    const std::size_t line = lineOf(train_, "segnale,    2600,");
    const auto hoverText = [&] {
        return s
            .request("textDocument/hover",
                     {{"textDocument", {{"uri", trainUri_}}},
                      {"position", {{"line", line}, {"character", 13}}}})["result"]["contents"]
            .value("value", "");
    };
    const std::string checked = hoverText();
    EXPECT_NE(checked.find("Compiled:\n- cell 53: signal"), std::string::npos) << checked;
    EXPECT_EQ(hoverCompilations, 0);

    // Asked at once, before the edit's check may be done: the edited record's cells either way.
    edit(s, trainUri_, 2, line, train_, "segnale,    2600,", "segnale,    2650,");
    const std::string atOnce = hoverText();
    EXPECT_NE(atOnce.find("Compiled:\n- cell 54: signal"), std::string::npos) << atOnce;
    EXPECT_EQ(atOnce.find("cell 53: signal"), std::string::npos) << atOnce;
    EXPECT_EQ(s.diagnosticsOf(trainUri_, 2), json::array());
    hoverCompilations = 0;
    const std::string afterCheck = hoverText();
    EXPECT_NE(afterCheck.find("Compiled:\n- cell 54: signal"), std::string::npos) << afterCheck;
    EXPECT_EQ(hoverCompilations, 0);

    // A pair that fails compiles to nothing shown, and the hover does not try again.
    const std::string edited = "segnale,    2650,";
    edit(s, trainUri_, 3, line, edited, edited, "segnale,    1500,");
    ASSERT_NE(withCode(s.diagnosticsOf(trainUri_, 3), "error-16"), nullptr);
    hoverCompilations = 0;
    const std::string failing = hoverText();
    EXPECT_NE(failing.find("km 1+500"), std::string::npos) << failing;
    EXPECT_EQ(failing.find("Compiled:"), std::string::npos) << failing;
    EXPECT_EQ(hoverCompilations, 0);
}

// Every place a diagnostic names besides its own is a link the editor can follow, with the
// words the message says of it: the line's length record for a record past the route, the
// record whose shifted fields a failure follows from.
TEST_F(EditedScenario, RelatedPlacesAreLinkedWithTheirWords) {
    const struct {
        const char* what;
        std::string from, to;
        std::string inMessage;  // the note of the diagnostic to look at
        bool inLine;            // the place linked is in the line description
        std::string placeText;  // the text that starts the linked line
    } cases[] = {
        {"a signal past the route", "segnale,    2600,", "segnale, 9992600,",
         "the route ends 7000 m past the line's length", true, "lunghezza percorso"},
        {"a comma too many before a station's length", "stazione,    3150,", "stazione,    3150,,",
         "follows from the shifted fields", false, "stazione,    3150,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        s.initialize();
        open(s, trainUri_, train_);
        s.diagnosticsOf(trainUri_, 1);
        const std::size_t line = lineOf(train_, c.from);
        edit(s, trainUri_, 2, line, train_, c.from, c.to);
        const json diagnostics = s.diagnosticsOf(trainUri_, 2);
        const auto told = std::find_if(diagnostics.begin(), diagnostics.end(), [&](const json& d) {
            return d["message"].get<std::string>().find(c.inMessage) != std::string::npos;
        });
        ASSERT_NE(told, diagnostics.end()) << diagnostics.dump(1);
        const std::string message = (*told)["message"];
        ASSERT_TRUE(told->contains("relatedInformation")) << told->dump(1);
        const json& related = (*told)["relatedInformation"];
        const auto linked = std::find_if(related.begin(), related.end(), [&](const json& r) {
            const std::string words = r["message"];
            return words.find(c.inMessage) != std::string::npos &&
                   message.find("\nnote: " + words) != std::string::npos;
        });
        ASSERT_NE(linked, related.end()) << related.dump(1);
        EXPECT_EQ((*linked)["location"]["uri"], c.inLine ? lineUri_ : trainUri_);
        const std::size_t placeLine =
            c.inLine ? lineOf(line_, c.placeText) : lineOf(train_, c.placeText);
        EXPECT_EQ((*linked)["location"]["range"]["start"]["line"], placeLine);
    }
}

}  // namespace
}  // namespace tool::editor
