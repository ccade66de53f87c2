// The single-instance semaphore on Linux: an flock on a lock file named after the semaphore.
#include "platform/linux/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

// An absolute folder from the environment, or empty.
std::string AbsoluteFolder(const Environment& environment, const char* name) {
    std::string folder = environment(name);
    if (folder.empty() || folder.front() != '/') return {};
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

std::string InstanceLock::LockPathFor(std::u16string_view name, const std::string& folder) {
    char file[64];
    std::snprintf(file, sizeof file, "/zrflash-%016llx.lock",
                  static_cast<unsigned long long>(Fnv1a64(Utf16ToUtf8(name))));
    return folder + file;
}

// A shared /tmp lets anybody plant a file or a link under a name known in advance, so the lock
// lives only where nobody else may write; a folder that fails the test is passed over, not
// repaired, since what another user put in it while it was open cannot be known.
bool InstanceLock::IsPrivateFolder(const std::string& path, unsigned userId) {
    struct stat status{};
    return !path.empty() && ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == userId && (status.st_mode & 07777) == 0700;
}

std::vector<InstanceLock::Folder> InstanceLock::FoldersFor(const Environment& environment, unsigned userId) {
    std::vector<Folder> folders;
    if (std::string runtime = AbsoluteFolder(environment, "XDG_RUNTIME_DIR"); !runtime.empty()) {
        folders.push_back({runtime, false});
    }
    std::string temp = AbsoluteFolder(environment, "TMPDIR");
    if (temp.empty()) temp = "/tmp";
    folders.push_back({temp + "/zrflash-" + std::to_string(userId), true});
    std::string cache = AbsoluteFolder(environment, "XDG_CACHE_HOME");
    if (cache.empty()) {
        if (std::string home = AbsoluteFolder(environment, "HOME"); !home.empty()) cache = home + "/.cache";
    }
    if (!cache.empty()) folders.push_back({cache + "/zrflash", true});
    return folders;
}

std::unique_ptr<InstanceLock> InstanceLock::OpenNamed(std::u16string_view name, const std::vector<Folder>& folders,
                                                      unsigned userId) {
    for (const auto& folder : folders) {
        if (folder.create) {
            // The cache folder's parent may be missing on a fresh account; a failure shows below.
            const auto slash = folder.path.rfind('/');
            if (slash != std::string::npos && slash > 0) ::mkdir(folder.path.substr(0, slash).c_str(), 0700);
            ::mkdir(folder.path.c_str(), 0700);
        }
        if (!IsPrivateFolder(folder.path, userId)) continue;
        if (auto lock = Open(LockPathFor(name, folder.path))) return lock;
    }
    return nullptr;
}

std::unique_ptr<InstanceLock> InstanceLock::Open(const std::string& lockPath) {
    const int descriptor = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) return nullptr;
    // A FIFO or a device in its place is no lock file.
    struct stat status{};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
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
