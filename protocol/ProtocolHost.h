// What the command transaction needs from the program around it.
#pragma once

#include <string_view>

namespace zrflash::hid {
class THidDevice;
}

namespace zrflash::protocol {

class ProtocolHost {
public:
    virtual ~ProtocolHost() = default;
    // The checked-out instrument every command goes to, or nullptr.
    virtual hid::THidDevice* ActiveDevice() = 0;
    virtual void Log(std::u16string_view line) = 0;
    // A modal box with no owner window; the message loop runs while it is open.
    virtual void ShowMessageBox(std::u16string_view text, std::u16string_view caption) = 0;
    // Blocks without dispatching anything.
    virtual void Sleep(int milliseconds) = 0;
};

}  // namespace zrflash::protocol
