// The HID system an executable carries, chosen when linking: the platform's bus or the simulation.
#pragma once

#include <memory>

#include "hid/HidSystem.h"
#include "platform/Gui.h"
#include "platform/System.h"

namespace zrflash::platform::win32 {

class ProgramHidSystem {
public:
    virtual ~ProgramHidSystem() = default;
    virtual hid::HidSystem& System() = 0;
};

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(Gui& gui, platform::System& system);

}  // namespace zrflash::platform::win32
