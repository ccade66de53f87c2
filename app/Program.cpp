// The life of the process: the single-instance test, the form, the message loop and shutdown.
#include "app/Program.h"

namespace zrflash::app {

Program::Program(platform::Gui& gui, platform::System& system, hid::HidSystem& hidSystem)
    : gui_(gui), system_(system), hidSystem_(hidSystem), instance_(system) {}

Program::~Program() { Shutdown(); }

bool Program::Start() {
    if (instance_.IsAnotherInstanceRunning()) {
        instance_.ShowSecondInstanceMessage(gui_);
        return false;
    }
    form_ = std::make_unique<TMForm>(gui_, system_, hidSystem_);
    form_->Show();
    return true;
}

int Program::Shutdown() {
    instance_.Finalize();
    form_.reset();
    return 0;
}

int RunProgram(platform::Gui& gui, platform::System& system, hid::HidSystem& hidSystem) {
    Program program(gui, system, hidSystem);
    if (program.Start()) gui.RunMessageLoop();
    return program.Shutdown();
}

}  // namespace zrflash::app
