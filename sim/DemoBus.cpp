// The demonstration's USB side: a virtual bus with one simulated model-12 instrument plugged in.
#include "sim/DemoBus.h"

#include "sim/InstrumentBuilder.h"

namespace zrflash::sim {

DemoBus::DemoBus(platform::Gui& gui, platform::System& system)
    : instrument_(InstrumentBuilder().Model12().Version("C1.28").Build()),
      bus_([&gui](std::function<void()> work) { gui.Post(std::move(work)); },
           [&system](int milliseconds) { system.Sleep(milliseconds); }),
      hidSystem_(bus_) {
    bus_.Plug(*instrument_);
}

}  // namespace zrflash::sim
