#pragma once

#include <QByteArray>
#include <QString>

namespace storage {

struct SaveResult {
    bool ok = true;
    QString error;  // the system's reason when ok is false
};

enum class FileAccess { Everyone, OwnerOnly };

// Writes the whole file beside the target and renames it over the target in
// one step, so a failed save leaves the previous file exactly as it was.
SaveResult saveFile(const QString& path, const QByteArray& bytes, FileAccess access);

QString fileInDirectory(const QString& directory, const QString& name);

}  // namespace storage
