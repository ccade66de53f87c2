// The whole program (headless window, real hidraw HID system) against the instrument made by uhid
// on a real kernel: connection, poll, whole updates of both models, and unplugging mid-upload in
// the order a real kernel reports it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "UhidRig.h"
#include "app/Program.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"
#include "platform/linux/LinuxHidSystem.h"
#include "platform/linux/UdevHidDriver.h"
#include "sim/InstrumentBuilder.h"
#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"

namespace zrflash::test {
namespace {

using platform::linux_port::DescriptorWatch;

constexpr std::u16string_view kSuccess = u"Процесс завершен успешно !!";

class HidrawVmProgram {
public:
    explicit HidrawVmProgram(std::shared_ptr<sim::SimInstrument> instrument)
        : rig(std::move(instrument)),
          gui(clock),
          system(clock, machine),
          hidSystem(
              driver, [this](std::function<void()> work) { gui.Post(std::move(work)); },
              [this](int descriptor, std::function<void()> onReadable) {
                  monitorDescriptor = descriptor;
                  monitorReadable = std::move(onReadable);
                  return std::make_unique<DescriptorWatch>();
              }),
          program(gui, system, hidSystem) {}
    ~HidrawVmProgram() { program.Shutdown(); }

    // Runs the loop in virtual time; udev's events reach it whenever the kernel has sent them.
    bool RunUntil(const std::function<bool()>& condition, std::int64_t limitMs = 600'000) {
        return gui.RunUntil(
            [&] {
                if (monitorDescriptor >= 0 && WaitReadable(monitorDescriptor, 0)) gui.Post([this] { monitorReadable(); });
                return condition();
            },
            limitMs);
    }
    // Runs until the condition holds after a change udev has still to announce: virtual time is
    // held to steps of 100 ms between real waits for the monitor, so it cannot race past udev.
    bool RunUntilUdev(const std::function<bool()>& condition, int realTimeoutMs = 10'000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(realTimeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (RunUntil(condition, 100)) return true;
            WaitReadable(monitorDescriptor, 20);
        }
        return false;
    }
    bool RunUntilLogged(std::u16string_view line) {
        // Then one poll tick, which identifies a connected instrument.
        return RunUntilUdev([&] { return LogIndex(line) >= 0; }) && RunFor(1100);
    }
    bool RunFor(std::int64_t milliseconds) {
        const std::int64_t end = clock.NowMs() + milliseconds;
        RunUntil([&] { return clock.NowMs() >= end; }, milliseconds + 1);
        return true;
    }
    std::vector<std::u16string> Log() {
        std::vector<std::u16string> lines;
        for (int i = 0; i < program.Form()->LB->Count(); ++i) lines.push_back(program.Form()->LB->Line(i));
        return lines;
    }
    int LogIndex(std::u16string_view line) {
        const auto lines = Log();
        const auto found = std::find(lines.begin(), lines.end(), line);
        return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
    }
    // Clicks B1 and runs until the log ends in the success line (the update clears the log).
    bool Update() {
        if (!gui.MainWindow()->Click("B1")) return false;
        return RunUntil([&] {
            const auto lines = Log();
            return !lines.empty() && lines.back() == kSuccess;
        });
    }
    bool FlashHoldsTheCarriedImage(int model) {
        update::FirmwareImage sending{};
        update::RestoreAllPieces(*update::FirmwareImageOfModel(model), sending);
        std::lock_guard lock(rig.InstrumentDevice().DeviceMutex());
        return std::equal(sending.begin(), sending.begin() + update::UploadEnd, rig.Instrument().Flash().begin());
    }
    int ExchangeCount() {
        std::lock_guard lock(rig.InstrumentDevice().DeviceMutex());
        return rig.Instrument().ExchangeCount();
    }

    UhidRig rig;
    platform::headless::VirtualClock clock;
    platform::headless::HeadlessMachine machine;
    platform::headless::HeadlessGui gui;
    platform::headless::HeadlessSystem system;
    platform::linux_port::UdevHidDriver driver;
    int monitorDescriptor = -1;
    std::function<void()> monitorReadable;
    platform::linux_port::LinuxHidSystem hidSystem;
    app::Program program;
};


class WholeUpdate : public testing::TestWithParam<int> {};

TEST_P(WholeUpdate, ConnectsPollsAndBringsTheCarriedImage) {
    const int model = GetParam();
    sim::InstrumentBuilder builder;
    model == 14 ? builder.Model14() : builder.Model12();
    HidrawVmProgram run(builder.Build());
    ASSERT_TRUE(run.rig.PlugKeyboard());
    ASSERT_TRUE(run.rig.PlugInstrument());
    ASSERT_TRUE(run.program.Start());
    const std::u16string connected = model == 14 ? u"Пинцет ЖР-14 подключен" : u"Пинцет ЖР-12 подключен";
    ASSERT_TRUE(run.RunUntilLogged(connected));
    EXPECT_EQ(run.Log(), std::vector<std::u16string>{connected});
    EXPECT_EQ(run.program.Form()->Label1->Text(),
              model == 14 ? u"Текущая версия прошивки D1.13" : u"Текущая версия прошивки C1.28");
    // The poll goes on over hidraw: more exchanges with every second.
    const int exchanges = run.ExchangeCount();
    run.RunFor(3000);
    EXPECT_GT(run.ExchangeCount(), exchanges);

    ASSERT_TRUE(run.Update());
    EXPECT_TRUE(run.FlashHoldsTheCarriedImage(model));
    // The backup holds the instrument's memory.
    EXPECT_FALSE(run.machine.files.empty());
}

INSTANTIATE_TEST_SUITE_P(Models, WholeUpdate, testing::Values(12, 14),
                         [](const auto& info) { return "Model" + std::to_string(info.param); });

class UnplugMidUpload : public testing::TestWithParam<bool> {};

// In flight: the instrument vanishes while the kernel waits for its answer, so the program's
// transfer fails first and udev's removal comes after. Between transactions: the removal comes
// while nothing is outstanding.
TEST_P(UnplugMidUpload, KeepsTheFlagOffersTheReloadAndUpdatesAgain) {
    const bool inFlight = GetParam();
    HidrawVmProgram run(sim::InstrumentBuilder().Model12().Build());
    ASSERT_TRUE(run.rig.PlugInstrument());
    ASSERT_TRUE(run.program.Start());
    ASSERT_TRUE(run.RunUntilLogged(u"Пинцет ЖР-12 подключен"));
    ASSERT_TRUE(run.gui.MainWindow()->Click("B1"));
    ASSERT_TRUE(run.RunUntil([&] { return run.program.Form()->Update().UploadPos >= 1600; }));
    const std::size_t linesBefore = run.Log().size();
    if (inFlight) {
        {
            std::lock_guard lock(run.rig.InstrumentDevice().DeviceMutex());
            run.rig.Instrument().Faults().UnplugAt(run.rig.Instrument().ExchangeCount() + 2);
        }
        ASSERT_TRUE(run.RunUntil([&] { return !run.gui.MessageBoxes().empty(); }));
    } else {
        run.rig.InstrumentDevice().Unplug();
    }
    ASSERT_TRUE(run.RunUntilLogged(u"Пинцет ЖР-12 отключен"));
    ASSERT_TRUE(run.rig.WaitGone(sim::kInstrumentVendorId));
    {
        std::lock_guard lock(run.rig.InstrumentDevice().DeviceMutex());
        EXPECT_EQ(run.rig.Instrument().MemoryByte(0x3FF), 0x88);
    }
    const auto lines = run.Log();
    const std::vector<std::u16string> after(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore), lines.end());
    std::vector<std::u16string> boxes;
    for (const auto& box : run.gui.MessageBoxes()) boxes.push_back(box.text);
    // A real kernel fails the transfer in flight before udev announces the removal: the user
    // sees the failure, then the removal. Between transactions the next transfer on the dead
    // node may fail first, or udev may come first; either way the update stops cleanly.
    const std::vector<std::u16string> failedFirst = {u"Сбой чтения", u"Ошибка протокола 23",
                                                     u"Отключите и снова подключите прибор", u"Пинцет ЖР-12 отключен"};
    const std::vector<std::u16string> retriedFirst = {u"Повтор команды 23", u"Сбой чтения", u"Ошибка протокола 23",
                                                      u"Отключите и снова подключите прибор", u"Пинцет ЖР-12 отключен"};
    const std::vector<std::u16string> removedFirst = {u"Пинцет ЖР-12 отключен"};
    const std::vector<std::u16string> failureBox = {u"Сбой записи 1 "};
    if (inFlight) {
        EXPECT_EQ(after, failedFirst);
        EXPECT_EQ(boxes, failureBox);
    } else if (after == removedFirst) {
        EXPECT_TRUE(boxes.empty());
    } else {
        EXPECT_EQ(after, retriedFirst);
        EXPECT_EQ(boxes, failureBox);
    }
    EXPECT_EQ(run.program.Form()->Label1->Text(), u"Подключите устройство ");

    ASSERT_TRUE(run.rig.PlugInstrument());
    ASSERT_TRUE(run.RunUntilUdev([&] { return run.program.Form()->Label1->Text() == u"Перезагрузите прошивку C1.28"; }));
    ASSERT_TRUE(run.Update());
    EXPECT_TRUE(run.FlashHoldsTheCarriedImage(12));
}

INSTANTIATE_TEST_SUITE_P(Upload, UnplugMidUpload, testing::Bool(),
                         [](const auto& info) { return info.param ? "InFlight" : "BetweenTransactions"; });

TEST(KeyboardMidUpload, UnpluggingTheKeyboardLeavesTheUpdateGoingOn) {
    HidrawVmProgram run(sim::InstrumentBuilder().Model12().Build());
    ASSERT_TRUE(run.rig.PlugKeyboard());
    ASSERT_TRUE(run.rig.PlugInstrument());
    ASSERT_TRUE(run.program.Start());
    ASSERT_TRUE(run.RunUntilLogged(u"Пинцет ЖР-12 подключен"));
    ASSERT_TRUE(run.gui.MainWindow()->Click("B1"));
    ASSERT_TRUE(run.RunUntil([&] { return run.program.Form()->Update().UploadPos >= 1600; }));
    run.rig.KeyboardDevice().Unplug();
    ASSERT_TRUE(run.rig.WaitGone(sim::SimKeyboard::kVendorId));
    ASSERT_TRUE(run.RunUntil([&] { return run.LogIndex(kSuccess) >= 0; }));
    EXPECT_EQ(run.LogIndex(u"Пинцет ЖР-12 отключен"), -1);
    EXPECT_TRUE(run.FlashHoldsTheCarriedImage(12));
}

}  // namespace
}  // namespace zrflash::test
