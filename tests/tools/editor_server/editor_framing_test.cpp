// The framing of the language server's messages: whole messages out of bytes however they are
// split, and a bad header told once with the stream taken up again at the next header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/editor_server/message_framing.h"

namespace tool::editor {
namespace {

// What the reader makes of `stream`, fed in pieces of `piece` bytes: each frame as "body" or
// "!bad" / "!large".
std::vector<std::string> framesOf(const std::string& stream, std::size_t piece,
                                  std::size_t maxBody = kMaxMessageBytes) {
    MessageReader reader(maxBody);
    std::vector<std::string> out;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        reader.feed(std::string_view(stream).substr(at, piece));
        while (auto frame = reader.next()) {
            switch (frame->kind) {
                case Frame::Kind::message:
                    out.push_back(frame->body);
                    break;
                case Frame::Kind::badHeader:
                    out.push_back("!bad");
                    break;
                case Frame::Kind::tooLarge:
                    out.push_back("!large");
                    break;
            }
        }
    }
    return out;
}

struct Case {
    const char* name;
    std::string stream;
    std::vector<std::string> frames;
};

TEST(EditorFraming, FramesWholeMessagesAndRecoversAfterBadHeaders) {
    const std::string a = framed(R"({"a":1})");
    const std::string b = framed(R"({"b":"x\ny"})");
    const std::vector<Case> cases{
        {"two messages", a + b, {R"({"a":1})", R"({"b":"x\ny"})"}},
        {"other header lines and any capitals",
         "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\ncontent-LENGTH:  7 \r\n\r\n"
         R"({"a":1})",
         {R"({"a":1})"}},
        {"line ends of LF alone", "Content-Length: 7\n\n{\"a\":1}", {R"({"a":1})"}},
        {"line ends between messages", a + "\r\n\r\n" + b, {R"({"a":1})", R"({"b":"x\ny"})"}},
        {"no Content-Length, then a good message",
         "Content-Type: x\r\n\r\n{\"a\":1}\r\n" + b,
         {"!bad", R"({"b":"x\ny"})"}},
        {"a length that is no number",
         "Content-Length: 12a\r\n\r\n{}\r\n" + a,
         {"!bad", R"({"a":1})"}},
        {"a negative length", "Content-Length: -5\r\n\r\n{}\r\n" + a, {"!bad", R"({"a":1})"}},
        {"two lengths",
         "Content-Length: 2\r\nContent-Length: 2\r\n\r\n{}\r\n" + a,
         {"!bad", R"({"a":1})"}},
        {"a header line without a colon", "Garbage\r\n\r\n" + a, {"!bad", R"({"a":1})"}},
        {"an absurd length, its body never sent",
         "Content-Length: 99999999999999999999999\r\n\r\n" + a,
         {"!large", R"({"a":1})"}},
        {"a length above the bound, its body passed over",
         "Content-Length: 40\r\n\r\n{\"text\":\"0123456789012345678901234\"}\r\n" + a,
         {"!large", R"({"a":1})"}},
        {"garbage without a line end", std::string(20000, 'x'), {"!bad"}},
        {"garbage, then a message", std::string(20000, 'x') + "\r\n" + a, {"!bad", R"({"a":1})"}},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{65536}}) {
            EXPECT_EQ(framesOf(c.stream, piece, 30), c.frames) << c.name << ", pieces of " << piece;
        }
    }
}

TEST(EditorFraming, KeepsNothingOfABodyAboveTheBound) {
    MessageReader reader(1000);
    reader.feed("Content-Length: 5000\r\n\r\n");
    ASSERT_EQ(reader.next()->kind, Frame::Kind::tooLarge);
    // The body arrives, as a JSON text holds no raw line end inside its strings.
    for (int i = 0; i < 100; ++i) {
        reader.feed(std::string(50, 'y'));
        EXPECT_FALSE(reader.next());
    }
    reader.feed("\r\n" + framed("{}"));
    const auto frame = reader.next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->body, "{}");
}

TEST(EditorFraming, FramedMessageCountsBytesNotCharacters) {
    EXPECT_EQ(framed("\"città\""), "Content-Length: 8\r\n\r\n\"città\"");
}

}  // namespace
}  // namespace tool::editor
