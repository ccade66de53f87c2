// Follows the HID controller's reports: recognises the instrument, makes it the active device,
// and says when it goes.
#pragma once

#include <functional>
#include <vector>

#include "hid/THidDeviceController.h"
#include "instrument/InstrumentState.h"
#include "platform/Gui.h"

namespace zrflash::instrument {

class InstrumentConnection {
public:
    struct Controls {
        platform::Window& window;
        platform::ListBox& log;
        platform::ProgressBar& progress;
        platform::PushButton& update;    // B1
    };
    // Called with the model code of a newly matched instrument, to load its firmware image.
    using ImageLoader = std::function<void(std::uint8_t modelCode)>;

    InstrumentConnection(InstrumentState& state, Controls controls, ImageLoader loadImage);

    // OnEnumerate: takes every instrument it is offered; the last one stays active.
    bool Enumerate(hid::THidDevice& device);
    // OnDeviceChange: the instrument is chosen afresh from the plugged-in devices.
    void DeviceChange(hid::THidDeviceController& controller);
    // OnRemoval: acts only when the active instrument itself is gone, and then returns true (the
    // caller stops an update in progress and brings the poll back).
    bool Removal(hid::THidDevice& device);
    // OnDeviceCreateError: a device that cannot be opened or identified is skipped silently.
    static void CreateError(bool& handled) { handled = true; }

private:
    InstrumentState& state_;
    Controls controls_;
    ImageLoader loadImage_;
    // Unplugged instruments this program had checked out, given back to the controller once its
    // pass has finished with them, so that they are not reported as removed again and again.
    std::vector<hid::THidDevice*> unpluggedInstruments_;
};

}  // namespace zrflash::instrument
