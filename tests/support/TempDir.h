#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <unistd.h>

// A program directory of its own for each test.
class ProgramDir {
public:
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile out(file(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
    }
    QByteArray read(const QString& name) const
    {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return QFile::exists(file(name)); }

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
        QFile::setPermissions(directory_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                              | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                              | QFile::ExeOther);
        if (::geteuid() == 0)
            dropped_ = ::seteuid(65534) == 0;
        else
            QFile::setPermissions(directory_, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~WithoutWriteAccess()
    {
        if (dropped_)
            (void)::seteuid(0);
        QFile::setPermissions(directory_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                              | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                              | QFile::ExeOther);
    }
    WithoutWriteAccess(const WithoutWriteAccess&) = delete;
    WithoutWriteAccess& operator=(const WithoutWriteAccess&) = delete;

private:
    QString directory_;
    bool dropped_ = false;
};
