// Another process for tests of what the kernel does when a process dies: locks held, signals.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zrflash::platform::linux_port::testing {

class ChildProcess {
public:
    // Runs body in a forked copy of this process; it exits with body's result.
    static std::optional<ChildProcess> Fork(const std::function<int()>& body);
    // Runs a program with its arguments (the first is its name as the process sees it).
    static std::optional<ChildProcess> Spawn(const std::string& program, const std::vector<std::string>& arguments);

    // SIGKILL, as when the process crashes or is killed.
    bool Kill();
    // Waits for the end; true when a signal ended it, with its number.
    bool WaitEndedBySignal(int& signal);
    // Waits for the end; the exit code, or -1 when a signal ended it.
    int WaitExitCode();
    // Whether it has ended, without waiting more than the time given.
    bool EndsWithin(int milliseconds, int& signal);
    int Id() const { return id_; }

private:
    explicit ChildProcess(int id) : id_(id) {}
    int id_;
    bool reaped_ = false;
    int status_ = 0;
};

}  // namespace zrflash::platform::linux_port::testing
