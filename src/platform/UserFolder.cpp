#include "platform/UserFolder.h"

#include "platform/Files.h"

#include <filesystem>
#include <random>

namespace platform {

bool canCreateFilesIn(const std::u16string& directory)
{
    // A name of its own, so that no file of anyone else's is ever touched.
    const std::u16string probe =
        (std::filesystem::path(directory) / (".quaylet-probe-" + std::to_string(std::random_device()())))
            .u16string();
    FileSystem& files = fileSystem();
    FileSystem::Handle handle = 0;
    std::u16string error;
    if (!files.create(probe, false, handle, error))
        return false;
    files.finish(handle, error);
    files.remove(probe);
    return true;
}

}  // namespace platform
