// Follows the HID controller's reports: recognises the instrument, makes it the active device,
// and says when it goes.
#include "instrument/InstrumentConnection.h"

#include <algorithm>
#include <string>

#include "instrument/ModelTable.h"

namespace zrflash::instrument {

InstrumentConnection::InstrumentConnection(InstrumentState& state, Controls controls, ImageLoader loadImage)
    : state_(state), controls_(controls), loadImage_(std::move(loadImage)) {}

bool InstrumentConnection::Enumerate(hid::THidDevice& device) {
    const auto model = ModelOf(device.Attributes().VendorID, device.Attributes().ProductID);
    if (!model) return true;
    state_.ModelSuffix = std::u16string(model->suffix);
    controls_.window.SetCaption(std::u16string(model->captionPrefix) + state_.ModelSuffix);
    controls_.log.Add(ConnectedLine(state_.ModelSuffix));
    state_.ActiveDevice = &device;
    // A device an earlier enumeration took stays checked out and still becomes the active one.
    device.CheckOut();
    loadImage_(model->code);
    state_.ModelCode = model->code;
    return true;
}

void InstrumentConnection::DeviceChange(hid::THidDeviceController& controller) {
    // Checked in only now: during OnRemoval the controller's pass still holds the objects.
    for (hid::THidDevice* device : unpluggedInstruments_) controller.CheckIn(device);
    unpluggedInstruments_.clear();
    const hid::THidDevice* previous = state_.ActiveDevice;
    state_.ActiveDevice = nullptr;
    controller.Enumerate();
    // Another instrument took over: its identification and firmware version are not known until
    // the poll has read them, and an update must not start with the previous one's (the backup
    // would carry its name, the finalisation would follow its firmware version).
    if (state_.ActiveDevice != previous) {
        controls_.update.SetEnabled(false);
        state_.FirmwareVersionKnown = false;
    }
}

bool InstrumentConnection::Removal(hid::THidDevice& device) {
    if (device.IsCheckedOut() &&
        std::find(unpluggedInstruments_.begin(), unpluggedInstruments_.end(), &device) == unpluggedInstruments_.end()) {
        unpluggedInstruments_.push_back(&device);
    }
    // Another HID device going (a mouse, a keyboard) is no concern of an update in progress.
    if (state_.ActiveDevice == nullptr || state_.ActiveDevice != &device) return false;
    controls_.log.Add(DisconnectedLine(state_.ModelSuffix));
    controls_.progress.SetPosition(0);
    state_.ActiveDevice = nullptr;
    state_.FirmwareVersionKnown = false;
    return true;
}

}  // namespace zrflash::instrument
