#include "Text.h"

#include <cstdint>

namespace sandbox {

namespace {

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

constexpr char HexDigits[] = "0123456789ABCDEF";

// Length of the well-formed UTF-8 sequence at the start of text, or 0.
size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;  // no UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

}  // namespace

std::string percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0
            && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (ch == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += ch;
        }
    }
    return out;
}

std::string percentEncode(std::string_view text)
{
    std::string out;
    for (char ch : text) {
        const auto byte = static_cast<std::uint8_t>(ch);
        const bool unreserved = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')
                                || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_'
                                || ch == '.' || ch == '~';
        if (unreserved) {
            out += ch;
        } else {
            out += '%';
            out += HexDigits[byte >> 4];
            out += HexDigits[byte & 0x0F];
        }
    }
    return out;
}

Fields parseUrlEncoded(std::string_view text)
{
    Fields fields;
    while (!text.empty()) {
        const size_t end = text.find('&');
        const std::string_view part = text.substr(0, end);
        if (!part.empty()) {
            const size_t equals = part.find('=');
            if (equals == std::string_view::npos)
                fields.emplace_back(percentDecode(part, true), std::string());
            else
                fields.emplace_back(percentDecode(part.substr(0, equals), true),
                                    percentDecode(part.substr(equals + 1), true));
        }
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return fields;
}

std::optional<std::string> fieldValue(const Fields& fields, std::string_view name)
{
    for (const auto& [key, value] : fields) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

std::pair<std::string, std::string> splitTarget(std::string_view target)
{
    const size_t question = target.find('?');
    if (question == std::string_view::npos)
        return {std::string(target), std::string()};
    return {std::string(target.substr(0, question)), std::string(target.substr(question + 1))};
}

std::optional<std::string> requestTarget(std::string_view requestLine)
{
    const size_t first = requestLine.find(' ');
    const size_t last = requestLine.rfind(' ');
    if (first == std::string_view::npos || last <= first)
        return std::nullopt;
    return std::string(requestLine.substr(first + 1, last - first - 1));
}

std::string withSingleQuestionMark(std::string_view target)
{
    std::string rewritten(target);
    const size_t question = rewritten.find('?');
    if (question == std::string::npos)
        return rewritten;
    for (size_t at = rewritten.find('?', question + 1); at != std::string::npos; at = rewritten.find('?', at + 3))
        rewritten.replace(at, 1, "%3F");
    return rewritten;
}

std::optional<std::string> cookieValue(std::string_view header, std::string_view name)
{
    while (!header.empty()) {
        const size_t end = header.find(';');
        std::string_view part = header.substr(0, end);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        const size_t equals = part.find('=');
        if (equals != std::string_view::npos && part.substr(0, equals) == name)
            return std::string(part.substr(equals + 1));
        if (end == std::string_view::npos)
            break;
        header.remove_prefix(end + 1);
    }
    return std::nullopt;
}

std::string htmlEscape(std::string_view text)
{
    std::string out;
    for (char ch : text) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += ch;
        }
    }
    return out;
}

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    size_t i = 0;
    while (i < text.size()) {
        const char ch = text[i];
        const auto byte = static_cast<std::uint8_t>(ch);
        if (byte >= 0x80) {
            const size_t length = utf8SequenceLength(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out += HexDigits[byte >> 4];
                out += HexDigits[byte & 0x0F];
            } else {
                out += ch;
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

}  // namespace sandbox
