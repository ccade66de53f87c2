// The life of the process: the single-instance test, the form, the message loop and shutdown.
#pragma once

#include <memory>

#include "app/SingleInstance.h"
#include "app/TMForm.h"
#include "hid/HidSystem.h"
#include "platform/Gui.h"
#include "platform/System.h"

namespace zrflash::app {

class Program {
public:
    Program(platform::Gui& gui, platform::System& system, hid::HidSystem& hidSystem);
    ~Program();

    // Everything before the message loop. False for a second copy: its message box has been
    // shown and dismissed, and no window exists.
    bool Start();
    TMForm* Form() { return form_.get(); }
    // Unit finalisation (the semaphore goes back), then the form and its components go.
    // Returns the exit code, 0 in both endings.
    int Shutdown();

private:
    platform::Gui& gui_;
    platform::System& system_;
    hid::HidSystem& hidSystem_;
    SingleInstance instance_;
    std::unique_ptr<TMForm> form_;
};

// Start-up, message loop and shutdown of a whole run; returns the exit code.
int RunProgram(platform::Gui& gui, platform::System& system, hid::HidSystem& hidSystem);

}  // namespace zrflash::app
