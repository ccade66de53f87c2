// The system services on Linux: own path, single-instance lock, companion termination, sleep,
// documents folder, directories and files, local time.
#include "platform/linux/PosixSystem.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/linux/InstanceLock.h"
#include "platform/linux/PlatformErrorCode.h"
#include "platform/linux/ProcessTermination.h"
#include "platform/linux/UserDirectories.h"
#include "platform/linux/Utf.h"

namespace zrflash::platform::linux_port {
namespace {

class PosixOutputFile final : public OutputFile {
public:
    explicit PosixOutputFile(int descriptor) : descriptor_(descriptor) {}
    ~PosixOutputFile() override {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }
    // A full disk or a removed drive may only show when the data is flushed: both are checked.
    bool Close() override {
        if (descriptor_ < 0) return false;
        const bool synced = ::fsync(descriptor_) == 0;
        const bool closed = ::close(descriptor_) == 0;
        descriptor_ = -1;
        return synced && closed;
    }

private:
    int descriptor_;
};

}  // namespace

std::u16string PosixSystem::ModulePath(std::size_t capacity) {
    if (capacity == 0) return {};
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    std::u16string path = Utf8ToUtf16(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
    if (path.size() > capacity - 1) path.resize(capacity - 1);
    return path;
}

std::unique_ptr<Semaphore> PosixSystem::OpenNamedSemaphore(std::u16string_view name) {
    const unsigned user = ::getuid();
    return InstanceLock::OpenNamed(name, InstanceLock::FoldersFor(environment_, user), user);
}

void PosixSystem::StartHidden(std::u16string_view commandLine) {
    if (auto command = ParseTaskKill(commandLine)) {
        TerminateProcessesNamed(command->image, command->force ? SIGKILL : SIGTERM);
        return;
    }
    std::fprintf(stderr, "zrflash: command not run on this system: %s\n", Utf16ToUtf8(commandLine).c_str());
}

void PosixSystem::Sleep(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::u16string PosixSystem::DocumentsFolder() {
    const std::string folder = DocumentsFolderPath(environment_);
    if (folder.empty()) return {};
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) return {};
    return Utf8ToUtf16(folder);
}

std::uint32_t PosixSystem::MakeDirectory(std::u16string_view path) {
    if (::mkdir(Utf16ToUtf8(path).c_str(), 0777) == 0) return kDirectoryCreated;
    return PathErrorCode(errno);
}

// O_EXCL also refuses a symbolic link of that name, wherever it points.
NewOutputFile PosixSystem::CreateNewOutputFile(std::u16string_view path) {
    const int descriptor = ::open(Utf16ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return {nullptr, errno == EEXIST};
    return {std::make_unique<PosixOutputFile>(descriptor), false};
}

bool PosixSystem::RemoveFile(std::u16string_view path) { return ::unlink(Utf16ToUtf8(path).c_str()) == 0; }

LocalTime PosixSystem::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace zrflash::platform::linux_port
