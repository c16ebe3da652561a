#include "storage/UserFile.h"

#include "app/Texts.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "storage/Fields.h"

namespace storage {

namespace {

QByteArray ansiLine(const QString& value)
{
    const std::string bytes = platform::toAnsi(value.toStdU16String());
    return QByteArray(bytes.data(), qsizetype(bytes.size())) + "\r\n";
}

}  // namespace

UserFile::UserFile(AppState& state, QString programDirectory, platform::MessageBox& messages)
    : state_(state),
      directory_(std::move(programDirectory)),
      messages_(messages),
      crypt_(state.Temp, [this] { emptyAfterDamage(); })
{
}

QString UserFile::path() const
{
    return fileInDirectory(directory_, UserFileName);
}

void UserFile::emptyAfterDamage()
{
    // Failing to empty the file only means the message comes again next time.
    saveFile(path(), QByteArray(), FileAccess::OwnerOnly);
    messages_.show(text::UserDataDamaged, platform::MessageBox::Icon::Information,
                   platform::MessageBox::Buttons::Ok);
}

void UserFile::AutoLoginF()
{
    // The whole file is read first: emptying it after a damaged value must
    // not change what the rest of this reading sees.
    const std::optional<QStringList> stored = readStoredValues(path());
    if (!stored)
        return;
    const QStringList& values = *stored;

    TempState& temp = state_.Temp;
    if (state_.Config.IDSave != 1 || values.isEmpty())
        return;
    crypt_.Decrypt(values[0], Crypt::Key);
    temp.UserID = temp.PlainText;
    if (state_.Config.PWDSave != 1 || values.size() < 2)
        return;
    crypt_.Decrypt(values[1], Crypt::Key);
    temp.UserPWD = temp.PlainText;
}

SaveResult UserFile::UserSave()
{
    QByteArray bytes;
    TempState& temp = state_.Temp;
    if (state_.Config.IDSave == 1) {
        if (!crypt_.Encrypt(temp.UserID))
            return {false, text::IdTooLong};
        bytes += ansiLine(temp.CryptText);
        if (state_.Config.PWDSave == 1) {
            if (!crypt_.Encrypt(temp.UserPWD))
                return {false, text::PasswordTooLong};
            bytes += ansiLine(temp.CryptText);
        }
    }
    return saveFile(path(), bytes, FileAccess::OwnerOnly);
}

}  // namespace storage
