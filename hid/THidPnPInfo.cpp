// The plug-and-play description keeps what the scan read, unchanged.
#include "hid/THidPnPInfo.h"

#include <utility>

namespace zrflash::hid {

THidPnPInfo::THidPnPInfo(HidInterface found)
    : FDeviceID(found.deviceInstance),
      FDevicePath(std::move(found.path)),
      FProperties(std::move(found.properties)) {}

}  // namespace zrflash::hid
