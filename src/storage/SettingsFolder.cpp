#include "storage/SettingsFolder.h"

#include "core/Texts.h"
#include "platform/UserFolder.h"

#include <QDir>
#include <QFileInfo>

namespace storage {

SettingsFolder SettingsFolder::decide(const QString& programDirectory, const QString& userDirectory)
{
    // Without a folder of the user's the program directory is all there is.
    if (userDirectory.isEmpty())
        return SettingsFolder(programDirectory);
    const SettingsFolder besideProgram(programDirectory);
    if (besideProgram.programFolderTrusted() && platform::canCreateFilesIn(programDirectory.toStdU16String()))
        return besideProgram;
    return SettingsFolder(programDirectory, userDirectory);
}

bool SettingsFolder::userFolderTrusted() const
{
    return platform::isPrivateDirectory(userDirectory_.toStdU16String());
}

// Judged at each use, as the user's folder is: rights change.
bool SettingsFolder::programFolderTrusted() const
{
    const std::u16string program = programDirectory_.toStdU16String();
    return platform::isPrivateDirectory(program) || platform::isSystemDirectory(program);
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
    if (programFolderTrusted())
        return fileInDirectory(programDirectory_, name);
    return {};
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
    if (inUserFolder() ? !userFolderTrusted() : !programFolderTrusted())
        return {false, text::FolderNotPrivate.arg(
                           QDir::toNativeSeparators(inUserFolder() ? userDirectory_ : programDirectory_))};
    return saveFile(fileToSave(name), bytes, access);
}

}  // namespace storage
