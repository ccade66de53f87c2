// The HID system of the demonstration: the simulated bus with one model-12 instrument plugged in.
#include "platform/win32/ProgramHidSystem.h"

#include "sim/DemoBus.h"

namespace zrflash::platform::win32 {
namespace {

class SimulatedBusHidSystem final : public ProgramHidSystem {
public:
    SimulatedBusHidSystem(Gui& gui, platform::System& system) : demo_(gui, system) {}
    hid::HidSystem& System() override { return demo_.System(); }

private:
    sim::DemoBus demo_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(Gui& gui, platform::System& system) {
    return std::make_unique<SimulatedBusHidSystem>(gui, system);
}

}  // namespace zrflash::platform::win32
