// The three option boxes: a change by the user is written to the instrument at once.
#include "instrument/InstrumentOptions.h"

#include "protocol/AddressMap.h"

namespace zrflash::instrument {

namespace address = protocol::address;

void InstrumentOptions::AutoSaveClicked(bool checked) {
    if (!state_.OptionsLoaded) return;
    memory_.WriteByte(address::kAutoSaveOption, checked ? 1 : 0);
}

// The cell pair holds the two action codes, swapped or not; both are written whatever the first gives.
void InstrumentOptions::RcldSwapClicked(bool checked) {
    if (!state_.OptionsLoaded) return;
    memory_.WriteByte(address::kRcldSwapOption, checked ? 4 : 1);
    memory_.WriteByte(address::kRcldSwapOptionSecond, checked ? 1 : 4);
}

void InstrumentOptions::MenuSwapClicked(bool checked) {
    if (!state_.OptionsLoaded) return;
    memory_.WriteByte(address::kMenuSwapOption, checked ? 1 : 0);
}

}  // namespace zrflash::instrument
