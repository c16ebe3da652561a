#pragma once

#include "platform/SafeSave.h"

#include <QByteArray>
#include <QString>

namespace storage {

// Where config.ini and User.ini (and the allowed launch schemes) are read and
// saved. While the program directory is the user's alone and can be written
// they live there, beside the executable, so a copy of the program keeps its
// files. Otherwise they are saved in the user's own folder and read from it
// where it has them; the program directory's file, an administrator's for
// instance, serves until then, but only from a directory that is the user's
// alone or the system's: from one that anyone else may write, or that
// another user owns, nothing is read and the defaults apply. A user's folder
// that is not the user's alone is neither read nor written: its saves fail,
// saying why.
class SettingsFolder {
public:
    // Decides by trying to make a file in the program directory.
    static SettingsFolder decide(const QString& programDirectory, const QString& userDirectory);

    // Files beside the executable.
    explicit SettingsFolder(QString programDirectory);
    // Files saved in the user's own folder.
    SettingsFolder(QString programDirectory, QString userDirectory);

    bool inUserFolder() const { return !userDirectory_.isEmpty(); }

    // Empty when there is no file to trust: the defaults apply.
    QString fileToRead(const QString& name) const;
    QString fileToSave(const QString& name) const;

    // Saves the file where fileToSave says, making the user's folder first.
    SaveResult save(const QString& name, const QByteArray& bytes, FileAccess access) const;

private:
    bool userFolderTrusted() const;
    bool programFolderTrusted() const;

    QString programDirectory_;
    QString userDirectory_;  // empty while the program directory is used
};

}  // namespace storage
