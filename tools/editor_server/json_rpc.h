// JSON-RPC 2.0 as the editor protocol uses it: what a message that came in is (a request, a
// notification, an answer to one of ours, or nothing usable), and the texts of the answers and
// notifications that go out.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace tool::editor {

using json = nlohmann::json;

namespace rpc {

inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestCancelled = -32800;

}  // namespace rpc

struct Incoming {
    enum class Kind { request, notification, response, invalid };
    Kind kind = Kind::invalid;
    json id;  // a request's (or a response's) id; null when there is none
    std::string method;
    json params;  // null when the message has none
    // For an invalid message: the error to answer with, and why.
    int errorCode = rpc::kInvalidRequest;
    std::string problem;
};

// What `body` is. A text that is no JSON is invalid with kParseError; JSON that is no message
// (an array, an object without "jsonrpc": "2.0", a method that is no string, an id that is
// neither a number nor a string) is invalid with kInvalidRequest, with its id when it has one.
Incoming readIncoming(std::string_view body);

// The texts that go out, without their framing.
std::string resultMessage(const json& id, const json& result);
std::string errorMessage(const json& id, int code, std::string_view words);
std::string notificationMessage(std::string_view method, const json& params);
std::string requestMessage(const json& id, std::string_view method, const json& params);

}  // namespace tool::editor
