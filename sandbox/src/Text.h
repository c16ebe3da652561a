#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sandbox {

using Fields = std::vector<std::pair<std::string, std::string>>;

// "%XX" becomes the byte XX (either case of hex digit); with plusIsSpace a "+"
// becomes a blank. A "%" not followed by two hex digits stays as it is.
std::string percentDecode(std::string_view text, bool plusIsSpace);

// Keeps only unreserved characters; every other byte becomes "%XX".
std::string percentEncode(std::string_view text);

// Splits "a=1&b=2" into decoded name/value pairs, in order, duplicates kept.
Fields parseUrlEncoded(std::string_view text);

// The first value of a field, if present.
std::optional<std::string> fieldValue(const Fields& fields, std::string_view name);

// Splits a request target into its raw path and raw query (without "?").
std::pair<std::string, std::string> splitTarget(std::string_view target);

// The target of an HTTP request line ("GET /a?b HTTP/1.1"): what lies between
// its first and its last blank; nothing when the line has no two blanks.
std::optional<std::string> requestTarget(std::string_view requestLine);

// The target with every "?" after the first one written as "%3F", so that
// its query holds no further "?".
std::string withSingleQuestionMark(std::string_view target);

// Value of a cookie in a Cookie request header.
std::optional<std::string> cookieValue(std::string_view header, std::string_view name);

// Text made safe for HTML element content and quoted attribute values.
std::string htmlEscape(std::string_view text);

// A JSON string literal, quotes included. Valid UTF-8 stands as it is; bytes
// that are not valid UTF-8 become U+FFFD so that the line stays valid JSON.
std::string jsonString(std::string_view text);

// The value a table of named options gives a name, if any.
template <typename Value, std::size_t N>
std::optional<Value> valueNamed(const std::pair<std::string_view, Value> (&table)[N], std::string_view name)
{
    for (const auto& [valueName, value] : table) {
        if (valueName == name)
            return value;
    }
    return std::nullopt;
}

// The names of such a table, for a usage line: "a, b, c".
template <typename Value, std::size_t N>
std::string namesOf(const std::pair<std::string_view, Value> (&table)[N])
{
    std::string names;
    for (const auto& [name, value] : table)
        names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

}  // namespace sandbox
