// The present HID device interfaces as SetupAPI lists them, with their registry properties.
#pragma once

#include <optional>
#include <vector>

#include "hid/HidTypes.h"
#include "platform/win32/Win32HidLibraries.h"

namespace zrflash::platform::win32 {

// nullopt when the set of present devices could not be had at all.
std::optional<std::vector<hid::HidInterface>> EnumerateHidInterfaces(const SetupApiFunctions& setupApi,
                                                                     const hid::Guid& interfaceClass);

}  // namespace zrflash::platform::win32
