// Another process for tests of what the kernel does when a process dies: locks held, signals.
#include "platform/linux/testing/ChildProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace zrflash::platform::linux_port::testing {

std::optional<ChildProcess> ChildProcess::Fork(const std::function<int()>& body) {
    const pid_t id = ::fork();
    if (id < 0) return std::nullopt;
    if (id == 0) ::_exit(body());
    return ChildProcess(id);
}

std::optional<ChildProcess> ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t id = 0;
    if (::posix_spawn(&id, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return std::nullopt;
    return ChildProcess(id);
}

bool ChildProcess::Kill() { return !reaped_ && ::kill(id_, SIGKILL) == 0; }

bool ChildProcess::WaitEndedBySignal(int& signal) {
    if (!reaped_ && ::waitpid(id_, &status_, 0) == id_) reaped_ = true;
    if (!reaped_ || !WIFSIGNALED(status_)) return false;
    signal = WTERMSIG(status_);
    return true;
}

int ChildProcess::WaitExitCode() {
    if (!reaped_ && ::waitpid(id_, &status_, 0) == id_) reaped_ = true;
    return reaped_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

bool ChildProcess::EndsWithin(int milliseconds, int& signal) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!reaped_) {
        if (::waitpid(id_, &status_, WNOHANG) == id_) {
            reaped_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    signal = WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
    return true;
}

}  // namespace zrflash::platform::linux_port::testing
