#include "platform/SafeSave.h"

#include "platform/Files.h"

#include <QDir>
#include <QSaveFile>

namespace storage {

SaveResult saveFile(const QString& path, const QByteArray& bytes, FileAccess access)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (access == FileAccess::OwnerOnly
        && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return {false, file.errorString()};
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, reason};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {};
}

QString fileInDirectory(const QString& directory, const QString& name)
{
    return QDir(directory).filePath(name);
}

bool ordinaryFileExists(const QString& path)
{
    return platform::isOrdinaryFile(path.toStdU16String());
}

}  // namespace storage
