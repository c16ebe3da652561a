#pragma once

#include <QString>
#include <QStringList>

namespace storage {

// Splits stored text into values the way the settings and credential files
// have always been read: a value ends at a comma or a line end (CR LF, CR or
// LF); blanks before a value are skipped; a value in double quotes is taken
// without them. A line end right at the end of the text adds no empty value.
QStringList readFields(const QString& text);

}  // namespace storage
