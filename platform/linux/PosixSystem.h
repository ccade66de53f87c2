// The system services on Linux: own path, single-instance lock, companion termination, sleep,
// documents folder, directories and files, local time.
#pragma once

#include "platform/System.h"
#include "platform/linux/UserDirectories.h"

namespace zrflash::platform::linux_port {

class PosixSystem final : public System {
public:
    // The environment tells where the documents and the runtime, temporary and cache folders are.
    explicit PosixSystem(Environment environment = ProcessEnvironment) : environment_(std::move(environment)) {}

    std::u16string ModulePath(std::size_t capacity) override;
    // The semaphore is an flock on a lock file named after the name (see InstanceLock).
    std::unique_ptr<Semaphore> OpenNamedSemaphore(std::u16string_view name) override;
    // Understands the companion programs' TASKKILL lines; other command lines are not run.
    void StartHidden(std::u16string_view commandLine) override;
    void Sleep(int milliseconds) override;
    std::u16string DocumentsFolder() override;
    std::uint32_t MakeDirectory(std::u16string_view path) override;
    NewOutputFile CreateNewOutputFile(std::u16string_view path) override;
    bool RemoveFile(std::u16string_view path) override;
    LocalTime Now() override;
    char16_t PathSeparator() const override { return u'/'; }

private:
    Environment environment_;
};

}  // namespace zrflash::platform::linux_port
