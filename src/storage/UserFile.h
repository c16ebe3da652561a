#pragma once

#include "core/AppState.h"
#include "platform/SafeSave.h"
#include "storage/Crypt.h"
#include "storage/SettingsFolder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {
class MessageBox;
}

namespace storage {

inline const QString UserFileName = QStringLiteral("User.ini");

// User.ini: line 1 the enciphered ID (when IDSave is 1), line 2 the
// enciphered password (when PWDSave is 1 as well), each ended by CR LF.
class UserFile {
public:
    UserFile(AppState& state, SettingsFolder folder, platform::MessageBox& messages);

    // Fills UserID and UserPWD from the file as IDSave and PWDSave allow; keeps
    // them as they are wherever the file has no value. Never fails.
    void AutoLoginF();

    // UserID and UserPWD now hold what the user typed to log in.
    void noteTyped();

    // Rewrites the file from UserID and UserPWD as IDSave and PWDSave allow.
    // A value this run has neither read from the file nor had typed is kept
    // as the file holds it. The previous file survives a failed write, and an
    // ID or password the format cannot carry is refused.
    SaveResult UserSave();

    // Where the file is saved.
    QString path() const;
    Crypt& crypt() { return crypt_; }

private:
    void emptyAfterDamage();
    // The file's line for one value: from memory, or as stored when not known.
    std::optional<QByteArray> valueLine(bool known, const QString& value, const QStringList& stored,
                                        qsizetype index);

    AppState& state_;
    SettingsFolder folder_;
    platform::MessageBox& messages_;
    Crypt crypt_;
    // Whether UserID and UserPWD hold values of this run, read or typed;
    // until then they are empty and stand for nothing.
    bool idKnown_ = false;
    bool passwordKnown_ = false;
};

}  // namespace storage
