// The controller's device-change passes: which events come, in which order, and what stays listed.
#include <gtest/gtest.h>

#include "sim/SimKeyboard.h"
#include "sim/SimMouse.h"
#include "tests/hid/HidBench.h"

namespace zrflash::hid::test {
namespace {

using Log = std::vector<std::string>;

struct StartCase {
    const char* name;
    bool instrument;
    bool keyboard;
    bool mouse;
    Log expected;
    int enumerated;
};

class StartTest : public ::testing::TestWithParam<StartCase> {};

// The first pass comes from the notification the system posts at the start; its lParam of -1
// makes it report a change even with nothing attached.
TEST_P(StartTest, FirstPassReportsEveryInterfaceThenOneChange) {
    const StartCase& c = GetParam();
    FeatureDevice instrument;
    sim::SimKeyboard keyboard;
    sim::SimMouse mouse;
    HidBench bench;
    if (c.instrument) bench.bus.Plug(instrument);
    if (c.keyboard) bench.bus.Plug(keyboard, sim::SimKeyboard::BusOptions());
    if (c.mouse) bench.bus.Plug(mouse, sim::SimMouse::BusOptions());
    bench.queue.RunPending();  // notifications before the start reach nobody

    bench.controller = std::make_unique<THidDeviceController>(bench.system, THidControllerProperties{});
    EXPECT_EQ(bench.controller->Count(), 0u) << "no scan during construction";
    bench.controller.reset();

    bench.Start();
    EXPECT_EQ(bench.TakeLog(), c.expected);
    EXPECT_EQ(bench.controller->Enumerate(), c.enumerated);
    EXPECT_EQ(bench.Run(), Log{}) << "nothing further is posted";
}

INSTANTIATE_TEST_SUITE_P(
    Controller, StartTest,
    ::testing::Values(StartCase{"Nothing", false, false, false, {"change"}, 0},
                      StartCase{"Instrument", true, false, false, {"arrival:1", "change"}, 1},
                      StartCase{"ThreeInterfaces", true, true, true, {"arrival:1", "arrival:2", "arrival:3", "change"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceChange, OnePassReportsRemovalsLastFirstThenArrivalsThenOneChange) {
    FeatureDevice a, b, c, d;
    HidBench bench;
    bench.bus.Plug(a);
    bench.bus.Plug(b);
    bench.bus.Plug(c);
    bench.Start();
    bench.TakeLog();

    bench.bus.Unplug(b);
    bench.bus.Unplug(c);
    bench.bus.Plug(d);
    // Three notifications are queued; the first pass sees all three changes, the others none.
    EXPECT_EQ(bench.Run(), (Log{"unplug:3", "removal:3", "unplug:2", "removal:2", "arrival:4", "change"}));
    ASSERT_EQ(bench.controller->Count(), 2u);
    EXPECT_EQ(bench.controller->Device(0).PnPInfo().DeviceID(), 1u);
    EXPECT_EQ(bench.controller->Device(1).PnPInfo().DeviceID(), 4u);
}

TEST(DeviceChange, BroadcastWithoutHidChangeRaisesNothingAndKeepsObjects) {
    FeatureDevice instrument;
    HidBench bench;
    bench.bus.Plug(instrument);
    bench.Start();
    bench.TakeLog();
    THidDevice* before = &bench.controller->Device(0);

    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), Log{});
    ASSERT_EQ(bench.controller->Count(), 1u);
    EXPECT_EQ(&bench.controller->Device(0), before) << "the scan's duplicate is dropped, the listed object stays";
}

TEST(DeviceChange, NotificationDuringAPassIsDroppedNotQueued) {
    FeatureDevice instrument, other;
    HidBench bench;
    bench.bus.Plug(instrument);
    bool nested = false;
    THidControllerProperties properties;
    // A handler that runs a nested loop (as a message box does) while a device arrives.
    properties.OnArrival = [&](THidDevice&) {
        if (nested) return;
        nested = true;
        bench.bus.Plug(other);
        bench.queue.RunPending();
    };
    bench.Start(std::move(properties));
    EXPECT_EQ(bench.TakeLog(), Log{"change"});
    EXPECT_EQ(bench.controller->Count(), 1u) << "the nested notification started no pass";

    bench.bus.ChangeOtherDevice();
    bench.Run();
    EXPECT_EQ(bench.controller->Count(), 2u) << "the next notification finds it";
}

struct UnplugCase {
    const char* name;
    bool checkedOut;
    Log firstPass;
    std::size_t listedAfter;
    int unplugged;
    Log laterBroadcast;
};

class UnplugTest : public ::testing::TestWithParam<UnplugCase> {};

TEST_P(UnplugTest, RemovalDependsOnCheckOut) {
    const UnplugCase& c = GetParam();
    FeatureDevice instrument, other;
    HidBench bench;
    bench.bus.Plug(instrument);
    bench.bus.Plug(other);
    bench.Start();
    bench.TakeLog();
    THidDevice* device = bench.Find(1);
    if (c.checkedOut) ASSERT_TRUE(device->CheckOut());

    bench.bus.Unplug(instrument);
    EXPECT_EQ(bench.Run(), c.firstPass);
    EXPECT_EQ(bench.controller->Count(), c.listedAfter);
    EXPECT_EQ(bench.controller->NumUnpluggedDevices(), c.unplugged);

    // A checked-out, unplugged device is reported again on every pass, whatever changed.
    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), c.laterBroadcast);
    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), c.laterBroadcast);

    if (c.checkedOut) {
        EXPECT_FALSE(device->IsPluggedIn());
        EXPECT_TRUE(device->IsCheckedOut());
        bench.controller->CheckIn(device);
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(bench.controller->NumUnpluggedDevices(), 0);
        EXPECT_EQ(bench.controller->Count(), 1u);
        bench.bus.ChangeOtherDevice();
        EXPECT_EQ(bench.Run(), Log{}) << "checked in, it is no longer reported";
    }
}

INSTANTIATE_TEST_SUITE_P(Controller, UnplugTest,
                         ::testing::Values(UnplugCase{"CheckedIn", false, {"unplug:1", "removal:1", "change"}, 1, 0, {}},
                                           UnplugCase{"CheckedOut", true, {"unplug:1", "removal:1", "change"}, 2, 1,
                                                      {"removal:1", "change"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceChange, ReplugAfterCheckedOutUnplugGivesNewIndependentObject) {
    FeatureDevice instrument;
    HidBench bench;
    bench.bus.Plug(instrument);
    bench.Start();
    bench.TakeLog();
    THidDevice* old = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByID(old, 0xFF4D, 0xF542));
    bench.bus.Unplug(instrument);
    bench.Run();

    // Back in the same port: same instance number and path.
    sim::BusInterfaceOptions samePort;
    samePort.instance = 1;
    bench.bus.Plug(instrument, samePort);
    EXPECT_EQ(bench.Run(), (Log{"removal:1", "arrival:1", "change"}));
    ASSERT_EQ(bench.controller->Count(), 2u);
    THidDevice* fresh = &bench.controller->Device(1);
    EXPECT_NE(fresh, old);
    EXPECT_TRUE(fresh->IsPluggedIn());
    EXPECT_FALSE(fresh->IsCheckedOut());
    EXPECT_FALSE(old->IsPluggedIn());

    std::vector<std::uint8_t> report(19);
    EXPECT_FALSE(old->SetFeature(report, 19)) << "the old object stays unplugged";
    EXPECT_TRUE(instrument.setSizes.empty());
    EXPECT_EQ(bench.controller->NumCheckedInDevices(), 1);
    EXPECT_EQ(bench.controller->NumCheckedOutDevices(), 0);
    EXPECT_EQ(bench.controller->NumUnpluggedDevices(), 1);
}

TEST(DeviceChange, FailedEnumerationTreatsEveryListedDeviceAsGone) {
    FeatureDevice a, b;
    HidBench bench;
    bench.bus.Plug(a);
    bench.bus.Plug(b);
    bench.Start();
    bench.TakeLog();
    bench.bus.SetEnumerationFails(true);
    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), (Log{"unplug:2", "removal:2", "unplug:1", "removal:1", "change"}));
    EXPECT_EQ(bench.controller->Count(), 0u);

    bench.bus.SetEnumerationFails(false);
    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), (Log{"arrival:1", "arrival:2", "change"}));
}

TEST(DeviceChange, ArrivalHandlerMayOpenTheNewDevice) {
    FeatureDevice instrument;
    HidBench bench;
    bench.bus.Plug(instrument);
    std::u16string seenName;
    THidControllerProperties properties;
    properties.OnArrival = [&](THidDevice& HidDev) { seenName = HidDev.ProductName(); };
    bench.Start(std::move(properties));
    EXPECT_EQ(seenName, u"Tweezers");
    EXPECT_EQ(bench.controller->Device(0).ProductName(), u"Tweezers") << "kept once read";
}

TEST(DeviceChange, ControllerDestructionStopsNotificationsAndReleasesLibraries) {
    FeatureDevice instrument;
    HidBench bench;
    bench.bus.Plug(instrument);
    bench.Start();
    THidDevice* device = bench.Find(1);
    ASSERT_TRUE(device->CheckOut());
    std::vector<std::uint8_t> report(19);
    ASSERT_TRUE(device->SetFeature(report, 19));
    bench.TakeLog();

    bench.controller.reset();
    EXPECT_EQ(bench.log, Log{}) << "the controller's own unplug handler is cleared first";
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
    EXPECT_EQ(bench.system.BindCount(HidLibrary::Hid), 0);
    EXPECT_EQ(bench.system.BindCount(HidLibrary::SetupApi), 0);
    EXPECT_FALSE(bench.system.Notifying());
    bench.bus.Unplug(instrument);
    EXPECT_EQ(bench.queue.RunPending(), 1);  // the notification is posted but reaches no one
}

}  // namespace
}  // namespace zrflash::hid::test
