#include "storage/Fields.h"

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace storage {

namespace {

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t';
}

bool isLineEnd(QChar ch)
{
    return ch == u'\r' || ch == u'\n';
}

// Moves past one delimiter: a comma, or one line end of any style.
qsizetype skipDelimiter(const QString& text, qsizetype pos)
{
    if (pos >= text.size())
        return pos;
    if (text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n')
        return pos + 2;
    return pos + 1;
}

}  // namespace

QStringList readFields(const QString& text)
{
    QStringList fields;
    qsizetype pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
        QString value;
        if (pos < text.size() && text[pos] == u'"') {
            const qsizetype close = text.indexOf(u'"', pos + 1);
            const qsizetype end = close < 0 ? text.size() : close;
            value = text.mid(pos + 1, end - pos - 1);
            pos = close < 0 ? text.size() : close + 1;
            // Whatever follows the closing quote up to the delimiter is dropped.
            while (pos < text.size() && text[pos] != u',' && !isLineEnd(text[pos]))
                ++pos;
        } else {
            const qsizetype start = pos;
            while (pos < text.size() && text[pos] != u',' && !isLineEnd(text[pos]))
                ++pos;
            value = text.mid(start, pos - start);
            while (!value.isEmpty() && isBlank(value.back()))
                value.chop(1);
        }
        fields.append(value);
        pos = skipDelimiter(text, pos);
    }
    return fields;
}

QStringList storedValues(const QByteArray& bytes)
{
    return readFields(QString::fromStdU16String(
        platform::fromAnsi(std::string_view(bytes.constData(), std::size_t(bytes.size())))));
}

std::optional<QStringList> readStoredValues(const QString& path)
{
    const std::optional<std::string> bytes = platform::readOrdinaryFile(path.toStdU16String(), platform::LongestOwnFile);
    if (!bytes)
        return std::nullopt;
    return storedValues(QByteArray(bytes->data(), qsizetype(bytes->size())));
}

}  // namespace storage
