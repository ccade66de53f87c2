// The HID system of the demonstration: a virtual bus with one simulated model-12 instrument.
#include "platform/linux/ProgramHidSystem.h"
#include "sim/InstrumentBuilder.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::platform::linux_port {
namespace {

class SimulatedProgramHidSystem final : public ProgramHidSystem {
public:
    SimulatedProgramHidSystem(QtGui& gui, PosixSystem& system)
        : instrument_(sim::InstrumentBuilder().Model12().Version("C1.28").Build()),
          bus_([&gui](std::function<void()> work) { gui.Post(std::move(work)); },
               [&system](int milliseconds) { system.Sleep(milliseconds); }),
          hidSystem_(bus_) {
        bus_.Plug(*instrument_);
    }
    hid::HidSystem& System() override { return hidSystem_; }

private:
    // Before the bus: the bus detaches its plugged devices when it goes.
    std::shared_ptr<sim::SimInstrument> instrument_;
    sim::VirtualHidBus bus_;
    sim::SimHidSystem hidSystem_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(QtGui& gui, PosixSystem& system) {
    return std::make_unique<SimulatedProgramHidSystem>(gui, system);
}

}  // namespace zrflash::platform::linux_port
