#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Directory of the running executable: its program directory, where
// config.ini and User.ini live while it can be written.
std::u16string programDirectory();

// Full path of the running executable.
std::u16string executablePath();

// The bytes of an existing ordinary file no longer than limit. Nothing for a
// missing or unreadable file, a longer one, and what counts as absent: a
// directory, a device or a pipe (never waited for), and on Windows a hidden
// or system file. Links are followed; what they lead to is judged.
std::optional<std::string> readOrdinaryFile(const std::u16string& path, std::size_t limit);

// The files the program reads of its own (config.ini, User.ini, the allowed
// launch schemes, a start-at-logon entry) hold a few short lines: one longer
// than this was not written by the program, and is not read.
constexpr std::size_t LongestOwnFile = 64 * 1024;

// The system's file operations that a whole-file save is made of. Each one
// that fails answers false with the system's reason. Saves go through
// fileSystem(); a test may put in its place one whose steps fail the way a
// full disk or a refused rename makes them fail.
class FileSystem {
public:
    using Handle = std::intptr_t;

    virtual ~FileSystem() = default;

    // Creates a file that must not exist yet and opens it for writing. With
    // ownerOnly, only its owner may read it (where the system has such rights).
    virtual bool create(const std::u16string& path, bool ownerOnly, Handle& handle, std::u16string& error);
    // Writes all of bytes, or fails having written part of them.
    virtual bool write(Handle handle, std::string_view bytes, std::u16string& error);
    // Makes what was written durable and closes the file, which is closed
    // even when this fails.
    virtual bool finish(Handle handle, std::u16string& error);
    // Puts the file from in the place of to in one step, replacing any file there.
    virtual bool replace(const std::u16string& from, const std::u16string& to, std::u16string& error);
    virtual bool remove(const std::u16string& path);
};

// The file system saves go through: the system's, unless a test put another in place.
FileSystem& fileSystem();

// For tests: makes files the one saves go through; nullptr restores the system's.
void useFileSystem(FileSystem* files);

}  // namespace platform
