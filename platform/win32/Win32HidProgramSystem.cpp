// The HID system of zrflash.exe: the platform's own SetupAPI and HID.dll.
#include "platform/win32/ProgramHidSystem.h"
#include "platform/win32/Win32HidSystem.h"

namespace zrflash::platform::win32 {
namespace {

class Win32HidProgramSystem final : public ProgramHidSystem {
public:
    explicit Win32HidProgramSystem(Gui& gui) : hidSystem_(gui) {}
    hid::HidSystem& System() override { return hidSystem_; }

private:
    Win32HidSystem hidSystem_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(Gui& gui, platform::System&) {
    return std::make_unique<Win32HidProgramSystem>(gui);
}

}  // namespace zrflash::platform::win32
