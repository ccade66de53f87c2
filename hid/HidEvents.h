// The handler types of the HID layer's events.
#pragma once

#include <cstdint>
#include <functional>

namespace zrflash::hid {

class THidDevice;
class THidDeviceController;
class THidPnPInfo;

using THidPlugEvent = std::function<void(THidDevice& HidDev)>;
// True to go on with the next device.
using THidEnumerateEvent = std::function<bool(THidDevice& HidDev, int Idx)>;
// Data points at the report after its ID byte; Size bytes are valid during the call only.
using THidDataEvent =
    std::function<void(THidDevice& HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size)>;
using THidDataErrorEvent = std::function<void(THidDevice& HidDev, std::uint32_t Error)>;
using THidDeviceCreateError = std::function<void(THidDeviceController& Controller, const THidPnPInfo& PnPInfo,
                                                 bool& Handled, bool& RetryCreate)>;
using THidNotifyEvent = std::function<void(THidDeviceController& Sender)>;
// True: this is the device wanted.
using THidCheckCallback = std::function<bool(THidDevice& HidDev)>;

}  // namespace zrflash::hid
