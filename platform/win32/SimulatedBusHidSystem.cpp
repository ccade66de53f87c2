// The HID system of the simulated bus, for executables that run without the USB bus.
#include "platform/win32/ProgramHidSystem.h"

#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::platform::win32 {
namespace {

class SimulatedBusHidSystem final : public ProgramHidSystem {
public:
    SimulatedBusHidSystem(Gui& gui, platform::System& system)
        : bus_([&gui](std::function<void()> work) { gui.Post(std::move(work)); },
               [&system](int milliseconds) { system.Sleep(milliseconds); }),
          hidSystem_(bus_) {}
    hid::HidSystem& System() override { return hidSystem_; }

private:
    sim::VirtualHidBus bus_;
    sim::SimHidSystem hidSystem_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(Gui& gui, platform::System& system) {
    return std::make_unique<SimulatedBusHidSystem>(gui, system);
}

}  // namespace zrflash::platform::win32
