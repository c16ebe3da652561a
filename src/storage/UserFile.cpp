#include "storage/UserFile.h"

#include "core/Texts.h"
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

UserFile::UserFile(AppState& state, SettingsFolder folder, platform::MessageBox& messages)
    : state_(state),
      folder_(std::move(folder)),
      messages_(messages),
      crypt_(state.Temp, [this] { emptyAfterDamage(); })
{
}

QString UserFile::path() const
{
    return folder_.fileToSave(UserFileName);
}

void UserFile::emptyAfterDamage()
{
    // Failing to empty the file only means the message comes again next time.
    folder_.save(UserFileName, QByteArray(), FileAccess::OwnerOnly);
    messages_.show(text::UserDataDamaged, platform::MessageBox::Icon::Information,
                   platform::MessageBox::Buttons::Ok);
}

void UserFile::AutoLoginF()
{
    // The whole file is read first: emptying it after a damaged value must
    // not change what the rest of this reading sees.
    const std::optional<QStringList> stored = readStoredValues(folder_.fileToRead(UserFileName));
    if (!stored)
        return;
    const QStringList& values = *stored;

    TempState& temp = state_.Temp;
    if (state_.Config.IDSave != 1 || values.isEmpty())
        return;
    crypt_.Decrypt(values[0], Crypt::Key);
    temp.UserID = temp.PlainText;
    idKnown_ = true;
    if (state_.Config.PWDSave != 1 || values.size() < 2)
        return;
    crypt_.Decrypt(values[1], Crypt::Key);
    temp.UserPWD = temp.PlainText;
    passwordKnown_ = true;
}

void UserFile::noteTyped()
{
    idKnown_ = true;
    passwordKnown_ = true;
}

std::optional<QByteArray> UserFile::valueLine(bool known, const QString& value, const QStringList& stored,
                                              qsizetype index)
{
    // Taken over as stored, unread: a damaged value is still reported when it is next read.
    if (!known && index < stored.size())
        return ansiLine(stored[index]);
    if (!crypt_.Encrypt(value))
        return std::nullopt;
    return ansiLine(state_.Temp.CryptText);
}

SaveResult UserFile::UserSave()
{
    // Without automatic login nothing reads the file before a settings save:
    // the empty values in memory must not replace the saved ones.
    const QStringList stored = idKnown_ && passwordKnown_
                                   ? QStringList()
                                   : readStoredValues(folder_.fileToRead(UserFileName)).value_or(QStringList());
    QByteArray bytes;
    const TempState& temp = state_.Temp;
    if (state_.Config.IDSave == 1) {
        const std::optional<QByteArray> id = valueLine(idKnown_, temp.UserID, stored, 0);
        if (!id)
            return {false, text::IdTooLong};
        bytes += *id;
        if (state_.Config.PWDSave == 1) {
            const std::optional<QByteArray> password = valueLine(passwordKnown_, temp.UserPWD, stored, 1);
            if (!password)
                return {false, text::PasswordTooLong};
            bytes += *password;
        }
    }
    return folder_.save(UserFileName, bytes, FileAccess::OwnerOnly);
}

}  // namespace storage
