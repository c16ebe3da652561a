// The sandbox's own request parsing with any bytes: the request line, the
// extra "?" of the Daum logout address, targets, form and query fields,
// cookies, and the texts it writes into pages and its log.

#include "Check.h"
#include "Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace sandbox;

namespace {

// Every entity but "&amp;" first: each "&" of an escaped text starts an entity.
std::string unescapeHtml(std::string_view text)
{
    QByteArray out(text.data(), qsizetype(text.size()));
    out.replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&quot;", "\"")
        .replace("&#39;", "'")
        .replace("&amp;", "&");
    return out.toStdString();
}

std::string encodeFields(const Fields& fields)
{
    std::string out;
    for (const auto& [name, value] : fields) {
        if (!out.empty())
            out += '&';
        out += percentEncode(name) + '=' + percentEncode(value);
    }
    return out;
}

void checkTarget(const std::string& target)
{
    const std::string single = withSingleQuestionMark(target);
    const size_t questions = std::count(target.begin(), target.end(), '?');
    PROPERTY(std::count(single.begin(), single.end(), '?') == (questions > 0 ? 1 : 0));
    PROPERTY(single.size() == target.size() + 2 * (questions > 0 ? questions - 1 : 0));
    PROPERTY(percentDecode(single, false) == percentDecode(target, false));

    const auto [path, query] = splitTarget(target);
    PROPERTY(path.find('?') == std::string::npos);
    PROPERTY((questions > 0 ? path + '?' + query : path) == target);
    PROPERTY(splitTarget(single).first == path);

    const Fields fields = parseUrlEncoded(query);
    PROPERTY(parseUrlEncoded(encodeFields(fields)) == fields);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = input.find('\n');
    const std::string_view line = input.substr(0, lineEnd);
    const std::string_view rest =
        lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    if (const auto target = requestTarget(line)) {
        PROPERTY(line.find(' ' + *target + ' ') != std::string_view::npos);
        checkTarget(*target);
    }
    checkTarget(std::string(rest));

    PROPERTY(percentDecode(percentEncode(input), false) == input);
    PROPERTY(percentDecode(percentEncode(input), true) == input);

    if (const auto value = cookieValue(rest, line))
        PROPERTY(rest.find(std::string(line) + '=' + *value) != std::string_view::npos);

    const std::string escaped = htmlEscape(input);
    PROPERTY(escaped.find_first_of("<>\"'") == std::string::npos);
    PROPERTY(unescapeHtml(escaped) == input);

    // The log's JSON strings parse, and valid UTF-8 comes back unchanged.
    const std::string json = '[' + jsonString(input) + ']';
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(json.data(), qsizetype(json.size())), &error);
    PROPERTY(error.error == QJsonParseError::NoError);
    const QString text = QString::fromUtf8(input.data(), qsizetype(input.size()));
    if (text.toUtf8() == QByteArray(input.data(), qsizetype(input.size())))
        PROPERTY(document.array().at(0).toString() == text);
    return 0;
}
