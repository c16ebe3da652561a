#include "platform/Files.h"

namespace platform {

namespace {
FileSystem systemFiles;
FileSystem* currentFiles = &systemFiles;
}  // namespace

FileSystem& fileSystem()
{
    return *currentFiles;
}

void useFileSystem(FileSystem* files)
{
    currentFiles = files ? files : &systemFiles;
}

}  // namespace platform
