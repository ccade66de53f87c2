// The HID system of the real bus: hidraw nodes listed and watched through udev.
#include "instrument/ModelTable.h"
#include "platform/linux/LinuxHidSystem.h"
#include "platform/linux/LinuxTexts.h"
#include "platform/linux/ProgramHidSystem.h"
#include "platform/linux/UdevHidDriver.h"
#include "platform/linux/Utf.h"

namespace zrflash::platform::linux_port {
namespace {

class HidrawProgramHidSystem final : public ProgramHidSystem {
public:
    explicit HidrawProgramHidSystem(QtGui& gui)
        : hidSystem_(
              driver_, [&gui](std::function<void()> work) { gui.Post(std::move(work)); },
              [&gui](int descriptor, std::function<void()> onReadable) {
                  return gui.WatchDescriptor(descriptor, std::move(onReadable));
              }) {
        // Without the udev rule the instrument is there but cannot be used: say so in the log,
        // once per plugging.
        hidSystem_.SetOpenDeniedHandler([this](const HidrawNode& node) {
            if (node.vendorId != instrument::kInstrumentVendorId) return;
            hidSystem_.Notice(std::u16string(texts::kNoAccessToInstrument) + Utf8ToUtf16(node.devnode) +
                              std::u16string(texts::kNoAccessAdvice));
        });
        // As the Windows program's loop shows an error that reached it: the message in a box.
        hidSystem_.SetNotificationErrorHandler([&gui](const std::string& message) {
            gui.ShowMessageBox(Utf8ToUtf16(message), u"", platform::MessageBoxIcon::Error);
        });
    }
    hid::HidSystem& System() override { return hidSystem_; }

private:
    UdevHidDriver driver_;
    LinuxHidSystem hidSystem_;
};

}  // namespace

std::unique_ptr<ProgramHidSystem> MakeProgramHidSystem(QtGui& gui, PosixSystem&) {
    return std::make_unique<HidrawProgramHidSystem>(gui);
}

}  // namespace zrflash::platform::linux_port
