// The single-instance semaphore on Linux: an flock on a lock file named after the semaphore.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/System.h"
#include "platform/linux/UserDirectories.h"

namespace zrflash::platform::linux_port {

// A semaphore of count 1 mapped onto flock: Wait takes the lock (trying until the time-out),
// Release gives it back, and the kernel drops it when the holder exits or dies, as Windows
// destroys a semaphore with its last handle. The file itself stays; only the lock matters.
class InstanceLock final : public Semaphore {
public:
    // A folder the lock file may go in; made (mode 0700) when missing if create is set.
    struct Folder {
        std::string path;
        bool create = false;
    };

    // Opens the lock for a semaphore name in the first of the folders that is private to the
    // user and in which the lock file opens; nullptr when there is none.
    static std::unique_ptr<InstanceLock> OpenNamed(std::u16string_view name, const std::vector<Folder>& folders,
                                                   unsigned userId);
    // Best first: the user's runtime folder, a folder of the user's own in the temporary folder,
    // one in the user's cache folder.
    static std::vector<Folder> FoldersFor(const Environment& environment, unsigned userId);
    // Opens (creating if needed) the lock file, never through a symbolic link; nullptr when it
    // cannot be opened or is not a plain file.
    static std::unique_ptr<InstanceLock> Open(const std::string& lockPath);
    // The lock file for a semaphore name in a folder: a hash of the name (the executable path).
    static std::string LockPathFor(std::u16string_view name, const std::string& folder);
    // A real folder (not a link), owned by the user, that nobody else may enter.
    static bool IsPrivateFolder(const std::string& path, unsigned userId);

    ~InstanceLock() override;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool Wait(int milliseconds) override;
    bool Release(int count) override;

private:
    explicit InstanceLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_;
    bool held_ = false;
};

}  // namespace zrflash::platform::linux_port
