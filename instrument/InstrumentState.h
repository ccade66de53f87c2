// The program's knowledge of the attached instrument, owned by the form and kept between events.
#pragma once

#include <cstdint>
#include <string>

namespace zrflash::hid {
class THidDevice;
}

namespace zrflash::instrument {

struct InstrumentState {
    // The checked-out instrument every command goes to; the controller owns it.
    hid::THidDevice* ActiveDevice = nullptr;
    // 12 or 14 once an instrument has been recognised; never cleared.
    std::uint8_t ModelCode = 0;
    std::u16string ModelSuffix;
    // Identification (35 characters) and firmware version text (5), from the last poll that got that far.
    std::u16string DeviceIdent;
    std::int32_t FirmwareVersionNumber = 0;
    // True once the poll has read and parsed the version of the instrument now active: only then
    // may an update start, since the finalisation chooses the cells it writes by that version.
    bool FirmwareVersionKnown = false;
    // False while the poll sets the option boxes, so that their click handlers write nothing.
    bool OptionsLoaded = false;
};

}  // namespace zrflash::instrument
