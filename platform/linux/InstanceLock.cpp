// The single-instance semaphore on Linux: an flock on a lock file named after the semaphore.
#include "platform/linux/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/linux/Utf.h"

namespace zrflash::platform::linux_port {
namespace {

constexpr int kRetryMs = 5;

std::uint64_t Fnv1a64(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

std::string InstanceLock::LockPathFor(std::u16string_view name, const std::string& runtimeFolder, unsigned userId) {
    char file[64];
    const auto hash = static_cast<unsigned long long>(Fnv1a64(Utf16ToUtf8(name)));
    if (!runtimeFolder.empty()) {
        std::snprintf(file, sizeof file, "/zrflash-%016llx.lock", hash);
        return runtimeFolder + file;
    }
    // /tmp is shared by every user: each has their own lock, as each has their own session.
    std::snprintf(file, sizeof file, "/tmp/zrflash-%u-%016llx.lock", userId, hash);
    return file;
}

std::unique_ptr<InstanceLock> InstanceLock::Open(const std::string& lockPath) {
    const int descriptor = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<InstanceLock>(new InstanceLock(descriptor));
}

InstanceLock::~InstanceLock() { ::close(descriptor_); }

bool InstanceLock::Wait(int milliseconds) {
    if (held_) return false;  // a count of 1: the holder cannot take a second unit
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return held_ = true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
    }
}

bool InstanceLock::Release(int count) {
    // Like a semaphore of maximum count 1: only the one unit taken can go back.
    if (count != 1 || !held_ || ::flock(descriptor_, LOCK_UN) != 0) return false;
    held_ = false;
    return true;
}

}  // namespace zrflash::platform::linux_port
