// The headless system: semaphores, files and time in memory, with faults a test can switch on.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/System.h"
#include "platform/headless/VirtualClock.h"

namespace zrflash::platform::headless {

// What several headless "processes" share on one machine: named semaphores and the file system.
class HeadlessMachine {
public:
    struct SemaphoreState {
        int count = 1;
        int maximum = 1;
        int handles = 0;
    };
    // The semaphore of that name while any handle to it is open.
    SemaphoreState* FindSemaphore(const std::u16string& name);
    SemaphoreState& OpenSemaphore(const std::u16string& name);
    void CloseSemaphore(const std::u16string& name);

    std::set<std::u16string> directories;
    std::map<std::u16string, std::string> files;

private:
    std::map<std::u16string, SemaphoreState> semaphores_;
};

struct FileFaults {
    std::optional<std::uint32_t> makeDirectoryResult;  // forced result of MakeDirectory
    bool failCreate = false;                          // CreateNewOutputFile creates nothing
    std::optional<std::size_t> failWriteAfterBytes;   // a write that would pass this size fails
    bool failClose = false;
};

class HeadlessSystem final : public System {
public:
    HeadlessSystem(VirtualClock& clock, HeadlessMachine& machine);

    std::u16string ModulePath(std::size_t capacity) override;
    std::unique_ptr<Semaphore> OpenNamedSemaphore(std::u16string_view name) override;
    void StartHidden(std::u16string_view commandLine) override;
    void Sleep(int milliseconds) override;
    std::u16string DocumentsFolder() override;
    std::uint32_t MakeDirectory(std::u16string_view path) override;
    NewOutputFile CreateNewOutputFile(std::u16string_view path) override;
    bool RemoveFile(std::u16string_view path) override;
    LocalTime Now() override { return now_; }
    char16_t PathSeparator() const override { return u'\\'; }

    // Set-up and observation for tests.
    void SetModulePath(std::u16string path) { modulePath_ = std::move(path); }
    void SetSemaphoreFails(bool fails) { semaphoreFails_ = fails; }
    void SetDocumentsFolder(std::u16string folder);  // empty: the folder cannot be determined
    void SetNow(const LocalTime& now) { now_ = now; }
    FileFaults& Faults() { return faults_; }
    const std::vector<std::u16string>& StartedCommands() const { return started_; }
    const std::vector<int>& Sleeps() const { return sleeps_; }
    HeadlessMachine& Machine() { return machine_; }

private:
    VirtualClock& clock_;
    HeadlessMachine& machine_;
    std::u16string modulePath_ = u"C:\\Program Files\\zrflash\\zrflash.exe";
    std::u16string documents_ = u"C:\\Users\\owner\\Documents";
    bool semaphoreFails_ = false;
    LocalTime now_{2024, 2, 3, 14, 5, 0};
    FileFaults faults_;
    std::vector<std::u16string> started_;
    std::vector<int> sleeps_;
};

}  // namespace zrflash::platform::headless
