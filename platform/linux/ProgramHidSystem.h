// The HID system a Linux executable carries, chosen when linking: hidraw or the simulation.
#pragma once

#include <memory>

#include "hid/HidSystem.h"
#include "platform/linux/PosixSystem.h"
#include "platform/linux/QtGui.h"

namespace zrflash::platform::linux_port {

class ProgramHidSystem {
public:
    virtual ~ProgramHidSystem() = default;
    virtual hid::HidSystem& System() = 0;
};

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(QtGui& gui, PosixSystem& system);

}  // namespace zrflash::platform::linux_port
