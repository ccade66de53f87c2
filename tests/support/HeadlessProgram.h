// The whole program on the headless port: a fixture that starts it and lets a test act as the user.
#pragma once

#include <memory>

#include "app/Program.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"
#include "tests/support/Utf.h"

namespace zrflash::test {

class HeadlessProgram {
public:
    // Several programs may share one machine (semaphores, files) and so act as separate processes.
    explicit HeadlessProgram(platform::headless::HeadlessMachine* machine = nullptr);
    ~HeadlessProgram();

    bool Start();
    int Shutdown();

    platform::headless::VirtualClock clock;
    platform::headless::HeadlessMachine ownMachine;
    platform::headless::HeadlessMachine& machine;
    platform::headless::HeadlessGui gui;
    platform::headless::HeadlessSystem system;

    app::Program& Program() { return *program_; }
    app::TMForm& Form() { return *program_->Form(); }
    platform::headless::HeadlessWindow& Window() { return *gui.MainWindow(); }
    std::vector<std::u16string> Log();

private:
    std::unique_ptr<app::Program> program_;
};

}  // namespace zrflash::test
