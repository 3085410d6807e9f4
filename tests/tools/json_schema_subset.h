// A JSON-schema validator for the keywords the SARIF schema subset in the fixtures uses: type,
// enum, required, properties, additionalProperties (false, or a schema for the other members),
// items, uniqueItems, minimum, maximum, anyOf, format (uri, uri-reference) and local $ref. Each
// problem is told with its JSON path.
#pragma once

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

namespace tool::testing {

class SchemaSubset {
  public:
    explicit SchemaSubset(nlohmann::json schema) : root_(std::move(schema)) {}

    std::vector<std::string> problems(const nlohmann::json& value) {
        problems_.clear();
        check(root_, value, "$");
        return problems_;
    }

  private:
    static bool hasType(const nlohmann::json& v, const std::string& type) {
        if (type == "object") return v.is_object();
        if (type == "array") return v.is_array();
        if (type == "string") return v.is_string();
        if (type == "boolean") return v.is_boolean();
        if (type == "null") return v.is_null();
        if (type == "integer") return v.is_number_integer();
        if (type == "number") return v.is_number();
        return false;
    }

    // RFC 3986 characters, a "%" only before two hex digits; a URI also needs a scheme.
    static bool uriReference(const std::string& s, bool absolute) {
        static const std::string allowed =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~:/?#[]@!$&'()*+,;=";
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '%') {
                if (i + 2 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i + 1])) ||
                    !std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
                    return false;
                }
            } else if (allowed.find(s[i]) == std::string::npos) {
                return false;
            }
        }
        if (!absolute) return true;
        const std::size_t colon = s.find(':');
        return colon != std::string::npos && colon > 0 &&
               std::isalpha(static_cast<unsigned char>(s[0]));
    }

    void fail(const std::string& path, const std::string& what) {
        problems_.push_back(path + ": " + what);
    }

    void check(const nlohmann::json& schema, const nlohmann::json& v, const std::string& path) {
        if (schema.contains("$ref")) {
            const std::string ref = schema["$ref"];
            const std::string prefix = "#/definitions/";
            if (ref.rfind(prefix, 0) != 0 ||
                !root_["definitions"].contains(ref.substr(prefix.size()))) {
                fail(path, "unknown $ref " + ref);
                return;
            }
            check(root_["definitions"][ref.substr(prefix.size())], v, path);
        }
        if (schema.contains("type")) {
            bool ok = false;
            if (schema["type"].is_array()) {
                for (const auto& t : schema["type"]) ok = ok || hasType(v, t);
            } else {
                ok = hasType(v, schema["type"]);
            }
            if (!ok) {
                fail(path, "not of type " + schema["type"].dump());
                return;
            }
        }
        if (schema.contains("enum")) {
            bool ok = false;
            for (const auto& e : schema["enum"]) ok = ok || e == v;
            if (!ok) fail(path, v.dump() + " is not one of " + schema["enum"].dump());
        }
        if (v.is_number()) {
            if (schema.contains("minimum") && v.get<double>() < schema["minimum"].get<double>())
                fail(path, "below the minimum");
            if (schema.contains("maximum") && v.get<double>() > schema["maximum"].get<double>())
                fail(path, "above the maximum");
        }
        if (v.is_string() && schema.contains("format")) {
            const std::string format = schema["format"];
            if ((format == "uri" || format == "uri-reference") &&
                !uriReference(v.get<std::string>(), format == "uri")) {
                fail(path, "not a " + format + ": " + v.get<std::string>());
            }
        }
        if (schema.contains("anyOf")) {
            bool ok = false;
            for (const auto& alternative : schema["anyOf"]) {
                SchemaSubset inner(root_);
                ok = ok || inner.problems(v, alternative).empty();
            }
            if (!ok) fail(path, "matches none of anyOf");
        }
        if (v.is_object()) {
            for (const auto& name : schema.value("required", nlohmann::json::array())) {
                if (!v.contains(name.get<std::string>())) fail(path, "lacks " + name.dump());
            }
            const nlohmann::json properties = schema.value("properties", nlohmann::json::object());
            for (const auto& [name, member] : v.items()) {
                if (properties.contains(name)) {
                    check(properties[name], member, path + "." + name);
                } else if (schema.contains("additionalProperties") &&
                           schema["additionalProperties"].is_object()) {
                    check(schema["additionalProperties"], member, path + "." + name);
                } else if (schema.value("additionalProperties", true) == false) {
                    fail(path, "has a member the format does not know: " + name);
                }
            }
        }
        if (v.is_array()) {
            if (schema.contains("items")) {
                for (std::size_t i = 0; i < v.size(); ++i) {
                    check(schema["items"], v[i], path + "[" + std::to_string(i) + "]");
                }
            }
            if (schema.value("uniqueItems", false)) {
                std::set<std::string> seen;
                for (const auto& item : v) {
                    if (!seen.insert(item.dump()).second) fail(path, "items are not unique");
                }
            }
        }
    }

    std::vector<std::string> problems(const nlohmann::json& value, const nlohmann::json& schema) {
        problems_.clear();
        check(schema, value, "$");
        return problems_;
    }

    nlohmann::json root_;
    std::vector<std::string> problems_;
};

}  // namespace tool::testing
