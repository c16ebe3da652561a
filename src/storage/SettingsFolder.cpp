#include "storage/SettingsFolder.h"

#include "core/Texts.h"
#include "platform/UserFolder.h"

#include <QDir>
#include <QFileInfo>

namespace storage {

SettingsFolder SettingsFolder::decide(const QString& programDirectory, const QString& userDirectory)
{
    // Without a folder of the user's the program directory is all there is.
    const std::u16string program = programDirectory.toStdU16String();
    if (userDirectory.isEmpty() || (platform::isPrivateDirectory(program) && platform::canCreateFilesIn(program)))
        return SettingsFolder(programDirectory);
    return SettingsFolder(programDirectory, userDirectory);
}

bool SettingsFolder::userFolderTrusted() const
{
    return platform::isPrivateDirectory(userDirectory_.toStdU16String());
}

SettingsFolder::SettingsFolder(QString programDirectory) : programDirectory_(std::move(programDirectory))
{
}

SettingsFolder::SettingsFolder(QString programDirectory, QString userDirectory)
    : programDirectory_(std::move(programDirectory)),
      userDirectory_(std::move(userDirectory))
{
}

QString SettingsFolder::fileToRead(const QString& name) const
{
    if (const QString own = fileToSave(name); inUserFolder() && QFileInfo(own).isFile() && userFolderTrusted())
        return own;
    return fileInDirectory(programDirectory_, name);
}

QString SettingsFolder::fileToSave(const QString& name) const
{
    return fileInDirectory(inUserFolder() ? userDirectory_ : programDirectory_, name);
}

SaveResult SettingsFolder::save(const QString& name, const QByteArray& bytes, FileAccess access) const
{
    if (std::u16string error;
        inUserFolder() && !platform::makeUserSettingsDirectory(userDirectory_.toStdU16String(), error))
        return {false, QString::fromStdU16String(error)};
    if (inUserFolder() && !userFolderTrusted())
        return {false, text::FolderNotPrivate.arg(QDir::toNativeSeparators(userDirectory_))};
    return saveFile(fileToSave(name), bytes, access);
}

}  // namespace storage
