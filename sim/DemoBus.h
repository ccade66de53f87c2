// The demonstration's USB side: a virtual bus with one simulated model-12 instrument plugged in.
#pragma once

#include <memory>

#include "hid/HidSystem.h"
#include "platform/Gui.h"
#include "platform/System.h"
#include "sim/SimHidSystem.h"
#include "sim/SimInstrument.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::sim {

class DemoBus {
public:
    // Device changes reach the program through the GUI loop; transfers take the system's time.
    DemoBus(platform::Gui& gui, platform::System& system);
    hid::HidSystem& System() { return hidSystem_; }

private:
    // Before the bus: the bus detaches its plugged devices when it goes.
    std::shared_ptr<SimInstrument> instrument_;
    VirtualHidBus bus_;
    SimHidSystem hidSystem_;
};

}  // namespace zrflash::sim
