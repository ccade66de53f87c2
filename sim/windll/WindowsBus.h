// The simulated devices of the test-double HID.dll: the virtual bus, one file per plugged
// interface at its device path, and the device-change broadcast to the process's windows.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "sim/SimInstrument.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualHidBus.h"
#include "sim/windll/SimInterfaceRecord.h"

namespace zrflash::sim::windll {

// Every entry point of both DLLs and every control command runs under Mutex().
//
// A device path \\?\hid#vid_...#n#{...} opens, under Wine, the file of that name in the prefix's
// dosdevices folder; the bus creates that file when it plugs an interface, so the program's own
// CreateFileW reaches it. Each plug makes a new file (the instance number is new), and a handle
// is told apart by the file it is open on, so a handle from before an unplug stays dead.
class WindowsBus {
public:
    static WindowsBus& Instance();
    static std::recursive_mutex& Mutex();

    // The interface a handle is open on; nullptr (with the last error set) when the handle is
    // none of the bus's, or its device has gone.
    std::shared_ptr<BusInterface> Reachable(HANDLE handle);

    VirtualHidBus& Bus() { return bus_; }
    std::shared_ptr<SimInstrument> Instrument() const { return instrument_; }
    bool EnumerationFails() const { return enumerationFails_; }
    void SetEnumerationFails(bool fails) { enumerationFails_ = fails; }

    // Replaces the instrument (the old one leaves the bus) and plugs the new one in.
    void PlugInstrument(std::shared_ptr<SimInstrument> instrument);
    bool ReplugInstrument();
    bool UnplugInstrument();
    bool PlugKeyboard();
    bool UnplugKeyboard();

    // Posts WM_DEVICECHANGE (DBT_DEVNODES_CHANGED) to the process's top-level windows, as the
    // system's broadcast does.
    static void BroadcastDeviceChange();

    std::wstring ControlFolder() const { return controlFolder_; }
    // Successful HidD_GetAttributes calls by vendor: shows which devices the program identified.
    void CountIdentification(std::uint16_t vendorId) { ++identifications_[vendorId]; }
    int Identifications(std::uint16_t vendorId) const {
        auto found = identifications_.find(vendorId);
        return found == identifications_.end() ? 0 : found->second;
    }

private:
    using FileKey = std::tuple<DWORD, DWORD, DWORD>;

    WindowsBus();
    void Plug(SimDevice& device, BusInterfaceOptions options, bool heldBySystem);
    void Unplug(SimDevice& device);

    std::wstring controlFolder_;
    std::wstring deviceFolder_;
    VirtualHidBus bus_;
    std::shared_ptr<SimInstrument> instrument_;
    SimKeyboard keyboard_;
    bool enumerationFails_ = false;
    std::map<std::uint16_t, int> identifications_;
    std::map<FileKey, std::shared_ptr<BusInterface>> files_;
    // The system's own handle on a keyboard: shares reading only, so only query opens succeed.
    std::map<SimDevice*, HANDLE> systemHandles_;
    // Replaced instruments stay alive: stale handles still name their interfaces.
    std::vector<std::shared_ptr<SimInstrument>> retired_;
};

}  // namespace zrflash::sim::windll
