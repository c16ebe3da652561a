#pragma once

#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>

// The system's file operations with one step failing as it fails on a real
// system: the bytes written so far stay on the disk, the files stay where
// they are. Saves go through it while it lives.
class FaultyFiles : public platform::FileSystem {
public:
    enum class Fault { DiskFullWhileWriting, DiskFullWhileFlushing, RenameRefused };

    explicit FaultyFiles(Fault fault) : fault_(fault) { platform::useFileSystem(this); }
    ~FaultyFiles() override { platform::useFileSystem(nullptr); }
    FaultyFiles(const FaultyFiles&) = delete;
    FaultyFiles& operator=(const FaultyFiles&) = delete;

    bool create(const std::u16string& path, bool ownerOnly, Handle& handle, std::u16string& error) override
    {
        created.append(QString::fromStdU16String(path));
        return FileSystem::create(path, ownerOnly, handle, error);
    }
    bool write(Handle handle, std::string_view bytes, std::u16string& error) override
    {
        if (fault_ != Fault::DiskFullWhileWriting)
            return FileSystem::write(handle, bytes, error);
        FileSystem::write(handle, bytes.substr(0, bytes.size() / 2), error);
        return fail(error);
    }
    bool finish(Handle handle, std::u16string& error) override
    {
        const bool finished = FileSystem::finish(handle, error);
        return fault_ == Fault::DiskFullWhileFlushing ? fail(error) : finished;
    }
    bool replace(const std::u16string& from, const std::u16string& to, std::u16string& error) override
    {
        return fault_ == Fault::RenameRefused ? fail(error) : FileSystem::replace(from, to, error);
    }

    // The system's reason the fault comes with.
    static QString reason(Fault fault)
    {
        return QString::fromLocal8Bit(std::strerror(fault == Fault::RenameRefused ? EACCES : ENOSPC));
    }

    QStringList created;  // every new file a save began, in order

private:
    bool fail(std::u16string& error)
    {
        error = reason(fault_).toStdU16String();
        return false;
    }

    Fault fault_;
};
