#pragma once

#include "app/AppState.h"
#include "storage/Crypt.h"
#include "storage/SafeSave.h"

#include <QString>

namespace platform {
class MessageBox;
}

namespace storage {

inline const QString UserFileName = QStringLiteral("User.ini");

// User.ini: line 1 the enciphered ID (when IDSave is 1), line 2 the
// enciphered password (when PWDSave is 1 as well), each ended by CR LF.
class UserFile {
public:
    UserFile(AppState& state, QString programDirectory, platform::MessageBox& messages);

    // Fills UserID and UserPWD from the file as IDSave and PWDSave allow; keeps
    // them as they are wherever the file has no value. Never fails.
    void AutoLoginF();

    // Rewrites the file from UserID and UserPWD. The previous file survives a
    // failed write, and an ID or password the format cannot carry is refused.
    SaveResult UserSave();

    QString path() const;
    Crypt& crypt() { return crypt_; }

private:
    void emptyAfterDamage();

    AppState& state_;
    QString directory_;
    platform::MessageBox& messages_;
    Crypt crypt_;
};

}  // namespace storage
