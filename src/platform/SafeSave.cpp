#include "platform/SafeSave.h"

#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace storage {

namespace {

SaveResult failure(const std::u16string& reason)
{
    return {false, QString::fromStdU16String(reason)};
}

// A name of its own beside the target, so that the rename stays on one disk.
QString temporaryBeside(const QString& path)
{
    return path + QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate64(), 36);
}

}  // namespace

SaveResult saveFile(const QString& path, const QByteArray& bytes, FileAccess access)
{
    // A file made read-only stays as it is, as it would were it written in place.
    if (const QFileInfo existing(path); existing.exists() && !existing.isWritable())
        return {false, QStringLiteral("%1: read-only").arg(QDir::toNativeSeparators(path))};

    platform::FileSystem& files = platform::fileSystem();
    const std::u16string temporary = temporaryBeside(path).toStdU16String();
    platform::FileSystem::Handle handle = 0;
    std::u16string error;
    if (!files.create(temporary, access == FileAccess::OwnerOnly, handle, error))
        return failure(error);
    const bool written = files.write(handle, std::string_view(bytes.constData(), std::size_t(bytes.size())), error);
    std::u16string finishError;
    const bool finished = files.finish(handle, finishError);
    if (written && finished && files.replace(temporary, path.toStdU16String(), error))
        return {};
    // Whatever failed, the previous file was never touched: only the new one goes.
    files.remove(temporary);
    return failure(written && !finished ? finishError : error);
}

QString fileInDirectory(const QString& directory, const QString& name)
{
    return QDir(directory).filePath(name);
}

}  // namespace storage
