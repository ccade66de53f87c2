// The three option boxes: a change by the user is written to the instrument at once.
#pragma once

#include "instrument/InstrumentState.h"
#include "platform/Gui.h"
#include "protocol/MemoryAccess.h"

namespace zrflash::instrument {

class InstrumentOptions {
public:
    InstrumentOptions(InstrumentState& state, protocol::MemoryAccess& memory) : state_(state), memory_(memory) {}

    // Each writes only once the poll has read the options back (the boxes then show the
    // instrument's values); the poll's own changes of the boxes write nothing.
    void AutoSaveClicked(bool checked);   // C1
    void RcldSwapClicked(bool checked);   // C2
    void MenuSwapClicked(bool checked);   // C3

private:
    InstrumentState& state_;
    protocol::MemoryAccess& memory_;
};

}  // namespace zrflash::instrument
