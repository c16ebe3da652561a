#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace storage {

// Splits stored text into values the way the settings and credential files
// have always been read: a value ends at a comma or a line end (CR LF, CR or
// LF); blanks before a value are skipped; a value in double quotes is taken
// without them. A line end right at the end of the text adds no empty value.
QStringList readFields(const QString& text);

// The values of a stored file's bytes, read in the ANSI code page.
QStringList storedValues(const QByteArray& bytes);

// The values of a stored file, read whole in the ANSI code page; nothing when
// there is no ordinary file of that name, it cannot be read, or it is longer
// than 64 KiB: damaged, since the program writes far less.
std::optional<QStringList> readStoredValues(const QString& path);

}  // namespace storage
