#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <unistd.h>

// A program directory of its own for each test.
class ProgramDir {
public:
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    bool exists(const QString& name) const { return QFile::exists(file(name)); }

    // Makes the folders the name passes through as well.
    void write(const QString& name, const QByteArray& bytes) const
    {
        QDir(dir_.path()).mkpath(QFileInfo(file(name)).path());
        QFile out(file(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
    }
    QByteArray read(const QString& name) const
    {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    // Every name in the directory, or in a folder of it, hidden ones too, in order.
    QStringList entries(const QString& folder = QString()) const
    {
        return QDir(file(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir dir_;
};

// Takes away the right to write into a directory while it lives. Root may
// write anywhere, so as root it takes on the rights of the user "nobody",
// who keeps root's groups; the directory stays readable to everyone meanwhile.
class WithoutWriteAccess {
public:
    explicit WithoutWriteAccess(const QString& directory) : directory_(directory)
    {
        const bool root = ::geteuid() == 0;
        QFile::setPermissions(directory_, root ? Open : QFile::ReadOwner | QFile::ExeOwner);
        dropped_ = root && ::seteuid(65534) == 0;
    }
    ~WithoutWriteAccess()
    {
        if (dropped_)
            (void)::seteuid(0);
        QFile::setPermissions(directory_, Open);
    }
    WithoutWriteAccess(const WithoutWriteAccess&) = delete;
    WithoutWriteAccess& operator=(const WithoutWriteAccess&) = delete;

private:
    static constexpr QFile::Permissions Open{0x7055};  // rwxr-xr-x
    QString directory_;
    bool dropped_ = false;
};
