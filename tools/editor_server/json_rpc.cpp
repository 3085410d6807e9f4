#include "tools/editor_server/json_rpc.h"

namespace tool::editor {
namespace {

// JSON from the editor is text it typed; anything it cannot have meant is replaced rather than
// refused, so that one odd character costs no message.
std::string dumped(const json& message) {
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

Incoming invalid(int code, std::string problem, json id = nullptr) {
    Incoming in;
    in.kind = Incoming::Kind::invalid;
    in.errorCode = code;
    in.problem = std::move(problem);
    in.id = std::move(id);
    return in;
}

}  // namespace

Incoming readIncoming(std::string_view body) {
    json message = json::parse(body, nullptr, false);
    if (message.is_discarded()) return invalid(rpc::kParseError, "the message is no JSON text");
    if (message.is_array()) {
        return invalid(rpc::kInvalidRequest, "batches of messages are not taken; send each alone");
    }
    if (!message.is_object()) return invalid(rpc::kInvalidRequest, "the message is no object");
    json id = nullptr;
    const auto idAt = message.find("id");
    const bool hasId = idAt != message.end();
    if (hasId) {
        if (!idAt->is_number_integer() && !idAt->is_string() && !idAt->is_null()) {
            return invalid(rpc::kInvalidRequest, "the id is neither a number nor a string");
        }
        id = *idAt;
    }
    const auto version = message.find("jsonrpc");
    if (version == message.end() || *version != "2.0") {
        return invalid(rpc::kInvalidRequest, "the message does not say \"jsonrpc\": \"2.0\"", id);
    }
    const auto method = message.find("method");
    if (method == message.end()) {
        if (hasId && (message.contains("result") || message.contains("error"))) {
            Incoming in;
            in.kind = Incoming::Kind::response;
            in.id = std::move(id);
            return in;
        }
        return invalid(rpc::kInvalidRequest, "the message has no method", id);
    }
    if (!method->is_string()) {
        return invalid(rpc::kInvalidRequest, "the method is no string", id);
    }
    Incoming in;
    in.kind = hasId ? Incoming::Kind::request : Incoming::Kind::notification;
    in.id = std::move(id);
    in.method = method->get<std::string>();
    // "params": null is taken as no params, as some editors send it with `exit`.
    if (const auto params = message.find("params"); params != message.end() && !params->is_null()) {
        if (!params->is_object() && !params->is_array()) {
            return invalid(rpc::kInvalidRequest, "the params are neither an object nor an array",
                           in.id);
        }
        in.params = std::move(*params);
    }
    return in;
}

std::string resultMessage(const json& id, const json& result) {
    return dumped({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

std::string errorMessage(const json& id, int code, std::string_view words) {
    return dumped(
        {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", words}}}});
}

std::string requestMessage(const json& id, std::string_view method, const json& params) {
    return dumped({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
}

std::string notificationMessage(std::string_view method, const json& params) {
    return dumped({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
}

}  // namespace tool::editor
