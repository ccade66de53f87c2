// The simulated devices of the test-double HID.dll, their files and the device-change broadcast.
#include "sim/windll/WindowsBus.h"

#include <dbt.h>

#include <vector>

#include "hid/HidTypes.h"
#include "sim/InstrumentBuilder.h"
#include "sim/windll/ControlChannel.h"

namespace zrflash::sim::windll {
namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// The prefix's dosdevices folder, where Wine looks up \\?\<name> paths that are no drive.
std::wstring DeviceFolder() {
    std::wstring folder = Environment(L"ZRSIM_DEVICE_DIR");
    if (!folder.empty()) return folder;
    std::wstring prefix = Environment(L"WINEPREFIX");
    if (prefix.empty()) return {};
    for (auto& character : prefix) {
        if (character == L'/') character = L'\\';
    }
    return L"Z:" + prefix + L"\\dosdevices";
}

// "\\?\hid#..." → "hid#...".
std::wstring FileName(const std::u16string& path) {
    std::wstring name(path.begin(), path.end());
    const std::wstring prefix = L"\\\\?\\";
    if (name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
    return name;
}

BOOL CALLBACK PostToOwnWindow(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) PostMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    return TRUE;
}

}  // namespace

std::recursive_mutex& WindowsBus::Mutex() {
    static std::recursive_mutex* mutex = new std::recursive_mutex;
    return *mutex;
}

// Made on the first call into either DLL and never destroyed: the control thread and the
// program's last calls may come in any order at process end.
WindowsBus& WindowsBus::Instance() {
    std::lock_guard lock(Mutex());
    static WindowsBus* bus = nullptr;
    if (bus == nullptr) {
        bus = new WindowsBus;
        const bool scripted = RunStartupCommands(*bus);
        if (!scripted) {
            bus->PlugInstrument(InstrumentBuilder().Model12().Version("C1.28").Build());
            bus->PlugKeyboard();
        }
        StartControlChannel(*bus);
    }
    return *bus;
}

WindowsBus::WindowsBus()
    : controlFolder_(Environment(L"ZRSIM_CONTROL_DIR")),
      deviceFolder_(DeviceFolder()),
      bus_([](std::function<void()>) { BroadcastDeviceChange(); }, [](int milliseconds) { ::Sleep(milliseconds); }) {}

void WindowsBus::BroadcastDeviceChange() { EnumWindows(PostToOwnWindow, 0); }

void WindowsBus::Plug(SimDevice& device, BusInterfaceOptions options, bool heldBySystem) {
    // The file first, so the interface is never listed without a path that opens.
    const std::uint32_t instance = bus_.Plug(device, std::move(options));
    std::shared_ptr<BusInterface> entry;
    if (auto present = bus_.Present()) {
        for (auto& each : *present) {
            if (each->instance == instance) entry = each;
        }
    }
    if (!entry || deviceFolder_.empty()) return;
    const std::wstring file = deviceFolder_ + L"\\" + FileName(entry->path);
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, 0,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information)) {
        files_[{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow}] = entry;
    }
    CloseHandle(handle);
    if (heldBySystem) {
        HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held != INVALID_HANDLE_VALUE) systemHandles_[&device] = held;
    }
}

void WindowsBus::Unplug(SimDevice& device) {
    bus_.Unplug(device);
    auto held = systemHandles_.find(&device);
    if (held != systemHandles_.end()) {
        CloseHandle(held->second);
        systemHandles_.erase(held);
    }
}

void WindowsBus::PlugInstrument(std::shared_ptr<SimInstrument> instrument) {
    if (instrument_) {
        Unplug(*instrument_);
        retired_.push_back(instrument_);
    }
    instrument_ = std::move(instrument);
    Plug(*instrument_, {}, false);
}

bool WindowsBus::ReplugInstrument() {
    if (!instrument_ || bus_.IsPlugged(*instrument_)) return false;
    Plug(*instrument_, {}, false);
    return true;
}

bool WindowsBus::UnplugInstrument() {
    if (!instrument_ || !bus_.IsPlugged(*instrument_)) return false;
    Unplug(*instrument_);
    return true;
}

bool WindowsBus::PlugKeyboard() {
    if (bus_.IsPlugged(keyboard_)) return false;
    Plug(keyboard_, SimKeyboard::BusOptions(), true);
    return true;
}

bool WindowsBus::UnplugKeyboard() {
    if (!bus_.IsPlugged(keyboard_)) return false;
    Unplug(keyboard_);
    return true;
}

std::shared_ptr<BusInterface> WindowsBus::Reachable(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto found = files_.find({information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow});
    if (found == files_.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bool plugged = false;
    {
        std::lock_guard lock(bus_.Mutex());
        plugged = found->second->plugged;
    }
    if (!plugged) {
        SetLastError(hid::kErrorDeviceNotConnected);
        return nullptr;
    }
    return found->second;
}

}  // namespace zrflash::sim::windll

extern "C" void WINAPI ZrSimLock() { zrflash::sim::windll::WindowsBus::Mutex().lock(); }
extern "C" void WINAPI ZrSimUnlock() { zrflash::sim::windll::WindowsBus::Mutex().unlock(); }

extern "C" int WINAPI ZrSimPresentInterfaces(zrflash::sim::windll::SimInterfaceRecord* records,
                                                                   int capacity) {
    using namespace zrflash::sim::windll;
    std::lock_guard lock(WindowsBus::Mutex());
    WindowsBus& bus = WindowsBus::Instance();
    if (bus.EnumerationFails()) return -1;
    auto present = bus.Bus().Present();
    if (!present) return -1;
    const auto copy = [](const std::u16string& text, wchar_t* target, std::size_t size) {
        std::size_t count = 0;
        for (; count + 1 < size && count < text.size(); ++count) target[count] = static_cast<wchar_t>(text[count]);
        target[count] = 0;
    };
    int index = 0;
    for (const auto& entry : *present) {
        if (index < capacity) {
            SimInterfaceRecord& record = records[index];
            record.instance = entry->instance;
            record.vendorId = entry->identity.vendorId;
            record.productId = entry->identity.productId;
            copy(entry->path, record.path, std::size(record.path));
            copy(entry->identity.product, record.product, std::size(record.product));
            copy(entry->identity.manufacturer, record.manufacturer, std::size(record.manufacturer));
            copy(entry->options.className, record.className, std::size(record.className));
        }
        ++index;
    }
    return index;
}
