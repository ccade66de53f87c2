// The single-instance semaphore on Linux: an flock on a lock file named after the semaphore.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace zrflash::platform::linux_port {

// A semaphore of count 1 mapped onto flock: Wait takes the lock (trying until the time-out),
// Release gives it back, and the kernel drops it when the holder exits or dies, as Windows
// destroys a semaphore with its last handle. The file itself stays; only the lock matters.
class InstanceLock final : public Semaphore {
public:
    // Opens (creating if needed) the lock file; nullptr when it cannot be opened.
    static std::unique_ptr<InstanceLock> Open(const std::string& lockPath);
    ~InstanceLock() override;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool Wait(int milliseconds) override;
    bool Release(int count) override;

    // The lock file for a semaphore name: a hash of the name (the executable path) in the user's
    // runtime folder, or in /tmp with the user's id in the name when there is none.
    static std::string LockPathFor(std::u16string_view name, const std::string& runtimeFolder, unsigned userId);

private:
    explicit InstanceLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_;
    bool held_ = false;
};

}  // namespace zrflash::platform::linux_port
