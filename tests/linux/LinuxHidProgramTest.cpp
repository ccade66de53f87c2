// The whole program over the hidraw HID system, with the instrument behind a fake device tree:
// found through udev's list, opened, sized from its report descriptor, updated, unplugged.
#include <gtest/gtest.h>

#include <algorithm>

#include "FakeHidDriver.h"
#include "app/Program.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"
#include "platform/linux/LinuxHidSystem.h"
#include "sim/InstrumentBuilder.h"
#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"

namespace zrflash::test {
namespace {

using platform::linux_port::DescriptorWatch;

constexpr char kNode[] = "/dev/hidraw5";

class HidrawProgram {
public:
    HidrawProgram()
        : gui(clock),
          system(clock, machine),
          hidSystem(
              driver, [this](std::function<void()> work) { gui.Post(std::move(work)); },
              [this](int, std::function<void()> onReadable) {
                  monitorReadable = std::move(onReadable);
                  return std::make_unique<DescriptorWatch>();
              }),
          program(gui, system, hidSystem) {
        driver.elapse = [this](int milliseconds) { clock.Advance(milliseconds); };
    }
    ~HidrawProgram() { program.Shutdown(); }

    // A hot-plug event reaches the loop as the monitor's descriptor becoming readable.
    void MonitorWakes() { gui.Post([this] { monitorReadable(); }); }
    std::vector<std::u16string> Log() {
        std::vector<std::u16string> lines;
        for (int i = 0; i < program.Form()->LB->Count(); ++i) lines.push_back(program.Form()->LB->Line(i));
        return lines;
    }

    platform::headless::VirtualClock clock;
    platform::headless::HeadlessMachine machine;
    platform::headless::HeadlessGui gui;
    platform::headless::HeadlessSystem system;
    FakeHidDriver driver;
    platform::linux_port::LinuxHidSystem hidSystem;
    std::function<void()> monitorReadable;
    app::Program program;
};

TEST(HidrawProgram, FindsUpdatesAndLosesTheInstrument) {
    HidrawProgram run;
    auto instrument = sim::InstrumentBuilder().Model12().Version("C1.28").Build();
    // A keyboard the system holds: it may be opened for queries only.
    run.driver.Plug("/dev/hidraw0", "/sys/kbd/hidraw0", 0x046D, 0xC31C, {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xC0})
        .permission = NodePermission::ReadOnly;
    run.driver.Plug(kNode, "/sys/usb/0003:FF4D:F542.0002/hidraw/hidraw5", 0xFF4D, 0xF542, InstrumentDescriptor(),
                    instrument.get());
    ASSERT_TRUE(run.program.Start());
    run.gui.RunFor(1100);
    EXPECT_EQ(run.Log(), std::vector<std::u16string>{u"Пинцет ЖР-12 подключен"});
    EXPECT_EQ(run.program.Form()->Label1->Text(), u"Текущая версия прошивки C1.28");
    // Every transfer went out with the length the report descriptor gives.
    EXPECT_FALSE(run.driver.featureRequestLengths.empty());
    EXPECT_TRUE(std::all_of(run.driver.featureRequestLengths.begin(), run.driver.featureRequestLengths.end(),
                            [](std::size_t length) { return length == 19; }));

    ASSERT_TRUE(run.gui.MainWindow()->Click("B1"));
    ASSERT_TRUE(run.gui.RunUntil(
        [&] { return !run.Log().empty() && run.Log().back() == u"Процесс завершен успешно !!"; }, 120'000));
    update::FirmwareImage sending{};
    update::RestoreAllPieces(*update::FirmwareImageOfModel(12), sending);
    EXPECT_TRUE(std::equal(sending.begin(), sending.begin() + update::UploadEnd, instrument->Flash().begin()));

    run.driver.Unplug(kNode);
    run.MonitorWakes();
    run.gui.RunFor(1100);
    EXPECT_EQ(run.Log().back(), u"Пинцет ЖР-12 отключен");
    EXPECT_EQ(run.program.Form()->Label1->Text(), u"Подключите устройство ");
}

}  // namespace
}  // namespace zrflash::test
