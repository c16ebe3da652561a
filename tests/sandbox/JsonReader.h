#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sandbox::test {

// Just enough JSON to read the sandbox's log lines back: objects, strings,
// numbers, true, false and null. Strings come back as UTF-8.
struct JsonValue;
using JsonObject = std::vector<std::pair<std::string, JsonValue>>;

struct JsonValue {
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<JsonObject>> value;

    bool isObject() const;
    const std::string* string() const;
    // The member's value, or nullptr; the last one wins for a repeated name.
    const JsonValue* member(std::string_view name) const;
    // A string member, or an empty optional.
    std::optional<std::string> text(std::string_view name) const;
    std::optional<double> number(std::string_view name) const;
};

// The value of the whole text, or nullopt when it is not valid JSON.
std::optional<JsonValue> parseJson(std::string_view text);

}  // namespace sandbox::test
