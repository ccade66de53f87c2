// The HID system of the demonstration: a virtual bus with one simulated model-12 instrument.
#include "platform/linux/ProgramHidSystem.h"
#include "sim/DemoBus.h"

namespace zrflash::platform::linux_port {
namespace {

class SimulatedProgramHidSystem final : public ProgramHidSystem {
public:
    SimulatedProgramHidSystem(QtGui& gui, PosixSystem& system) : demo_(gui, system) {}
    hid::HidSystem& System() override { return demo_.System(); }

private:
    sim::DemoBus demo_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(QtGui& gui, PosixSystem& system) {
    return std::make_unique<SimulatedProgramHidSystem>(gui, system);
}

}  // namespace zrflash::platform::linux_port
