#include "JsonReader.h"

#include <cstdlib>

namespace sandbox::test {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document()
    {
        auto value = parseValue();
        skipSpace();
        if (!value || pos_ != text_.size())
            return std::nullopt;
        return value;
    }

private:
    void skipSpace()
    {
        while (pos_ < text_.size()
               && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool consume(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    std::optional<JsonValue> parseValue()
    {
        skipSpace();
        if (pos_ >= text_.size())
            return std::nullopt;
        const char ch = text_[pos_];
        if (ch == '{')
            return parseObject();
        if (ch == '"') {
            auto s = parseString();
            if (!s)
                return std::nullopt;
            return JsonValue{std::move(*s)};
        }
        if (consume("true"))
            return JsonValue{true};
        if (consume("false"))
            return JsonValue{false};
        if (consume("null"))
            return JsonValue{nullptr};
        return parseNumber();
    }

    std::optional<JsonValue> parseNumber()
    {
        const size_t start = pos_;
        while (pos_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[pos_]) != std::string_view::npos)
            ++pos_;
        if (start == pos_)
            return std::nullopt;
        const std::string number(text_.substr(start, pos_ - start));
        char* end = nullptr;
        const double value = std::strtod(number.c_str(), &end);
        if (end != number.c_str() + number.size())
            return std::nullopt;
        return JsonValue{value};
    }

    std::optional<JsonValue> parseObject()
    {
        ++pos_;
        auto object = std::make_shared<JsonObject>();
        skipSpace();
        if (consume("}"))
            return JsonValue{object};
        while (true) {
            skipSpace();
            auto name = parseString();
            if (!name)
                return std::nullopt;
            skipSpace();
            if (!consume(":"))
                return std::nullopt;
            auto value = parseValue();
            if (!value)
                return std::nullopt;
            object->emplace_back(std::move(*name), std::move(*value));
            skipSpace();
            if (consume("}"))
                return JsonValue{object};
            if (!consume(","))
                return std::nullopt;
        }
    }

    std::optional<unsigned> parseHex4()
    {
        if (pos_ + 4 > text_.size())
            return std::nullopt;
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return value;
    }

    static void appendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::optional<std::string> parseString()
    {
        if (!consume("\""))
            return std::nullopt;
        std::string out;
        while (pos_ < text_.size()) {
            const char ch = text_[pos_++];
            if (ch == '"')
                return out;
            if (static_cast<unsigned char>(ch) < 0x20)
                return std::nullopt;  // raw control characters are not allowed
            if (ch != '\\') {
                out += ch;
                continue;
            }
            if (pos_ >= text_.size())
                return std::nullopt;
            const char escape = text_[pos_++];
            switch (escape) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                auto code = parseHex4();
                if (!code)
                    return std::nullopt;
                if (*code >= 0xD800 && *code <= 0xDBFF) {
                    if (!consume("\\u"))
                        return std::nullopt;
                    const auto low = parseHex4();
                    if (!low || *low < 0xDC00 || *low > 0xDFFF)
                        return std::nullopt;
                    *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                }
                appendUtf8(out, *code);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

bool JsonValue::isObject() const
{
    return std::holds_alternative<std::shared_ptr<JsonObject>>(value);
}

const std::string* JsonValue::string() const
{
    return std::get_if<std::string>(&value);
}

const JsonValue* JsonValue::member(std::string_view name) const
{
    if (!isObject())
        return nullptr;
    const JsonValue* found = nullptr;
    for (const auto& [key, member] : *std::get<std::shared_ptr<JsonObject>>(value)) {
        if (key == name)
            found = &member;
    }
    return found;
}

std::optional<std::string> JsonValue::text(std::string_view name) const
{
    const JsonValue* found = member(name);
    if (!found || !found->string())
        return std::nullopt;
    return *found->string();
}

std::optional<double> JsonValue::number(std::string_view name) const
{
    const JsonValue* found = member(name);
    if (!found || !std::holds_alternative<double>(found->value))
        return std::nullopt;
    return std::get<double>(found->value);
}

std::optional<JsonValue> parseJson(std::string_view text)
{
    return Parser(text).document();
}

}  // namespace sandbox::test
