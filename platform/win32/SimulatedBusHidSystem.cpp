// The HID system of the demonstration: the simulated bus with one model-12 instrument plugged in.
#include "platform/win32/ProgramHidSystem.h"

#include "sim/InstrumentBuilder.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::platform::win32 {
namespace {

class SimulatedBusHidSystem final : public ProgramHidSystem {
public:
    SimulatedBusHidSystem(Gui& gui, platform::System& system)
        : instrument_(sim::InstrumentBuilder().Model12().Version("C1.28").Build()),
          bus_([&gui](std::function<void()> work) { gui.Post(std::move(work)); },
               [&system](int milliseconds) { system.Sleep(milliseconds); }),
          hidSystem_(bus_) {
        bus_.Plug(*instrument_);
    }
    hid::HidSystem& System() override { return hidSystem_; }

private:
    // The instrument outlives the bus, which detaches it when it goes.
    std::shared_ptr<sim::SimInstrument> instrument_;
    sim::VirtualHidBus bus_;
    sim::SimHidSystem hidSystem_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(Gui& gui, platform::System& system) {
    return std::make_unique<SimulatedBusHidSystem>(gui, system);
}

}  // namespace zrflash::platform::win32
