// The whole program on the headless port: a fixture that starts it and lets a test act as the user.
#pragma once

#include <memory>

#include "app/Program.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"
#include "sim/InstrumentBuilder.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"
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

private:
    // Declared before the bus: the bus detaches its plugged devices when it goes, so they must
    // still exist then.
    std::vector<std::shared_ptr<sim::SimInstrument>> instruments_;

public:
    // The USB side: a virtual bus the test plugs instruments and other devices into.
    sim::VirtualHidBus bus;
    sim::SimHidSystem hidSystem;

    // Builds an instrument, plugs it in and keeps it alive for the test.
    std::shared_ptr<sim::SimInstrument> Plug(const sim::InstrumentBuilder& builder);
    void Unplug(const std::shared_ptr<sim::SimInstrument>& instrument) { bus.Unplug(*instrument); }
    // Lets the loop run: the first device-change pass comes from it, then a poll every second.
    void RunFor(std::int64_t milliseconds) { gui.RunFor(milliseconds); }

    app::Program& Program() { return *program_; }
    app::TMForm& Form() { return *program_->Form(); }
    platform::headless::HeadlessWindow& Window() { return *gui.MainWindow(); }
    std::vector<std::u16string> Log();

private:
    std::unique_ptr<app::Program> program_;
};

}  // namespace zrflash::test
