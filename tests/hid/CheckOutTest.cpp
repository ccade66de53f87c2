// Enumeration, the check-out families, check-in, freeing and the three counters.
#include <gtest/gtest.h>

#include "sim/SimKeyboard.h"
#include "tests/hid/HidBench.h"

namespace zrflash::hid::test {
namespace {

struct Counters {
    int checkedIn, checkedOut, unplugged;
    friend bool operator==(const Counters&, const Counters&) = default;
};

Counters Of(const THidDeviceController& controller) {
    return {controller.NumCheckedInDevices(), controller.NumCheckedOutDevices(), controller.NumUnpluggedDevices()};
}

void PrintTo(const Counters& c, std::ostream* os) {
    *os << "{in " << c.checkedIn << ", out " << c.checkedOut << ", unplugged " << c.unplugged << "}";
}

class ThreeDevices : public ::testing::Test {
protected:
    void SetUp() override {
        bench.bus.Plug(keyboard, sim::SimKeyboard::BusOptions());
        bench.bus.Plug(model12);
        bench.bus.Plug(model14);
        bench.Start();
        bench.TakeLog();
    }

    sim::SimKeyboard keyboard;
    FeatureDevice model12{0xF541};
    FeatureDevice model14{0xF538};
    HidBench bench;
};

struct EnumerateCase {
    const char* name;
    int stopAt;  // offer number (1-based) whose handler answers false; 0: never, -1: no handler
    int expected;
};

class EnumerateTest : public ThreeDevices, public ::testing::WithParamInterface<EnumerateCase> {};

TEST_P(EnumerateTest, CountIncludesTheDeviceThatStopped) {
    const EnumerateCase& c = GetParam();
    std::vector<int> offered;
    if (c.stopAt >= 0) {
        bench.controller->SetOnEnumerate([&](THidDevice&, int Idx) {
            offered.push_back(Idx);
            return static_cast<int>(offered.size()) != c.stopAt;
        });
    }
    EXPECT_EQ(bench.controller->Enumerate(), c.expected);
    if (c.stopAt >= 0) EXPECT_EQ(static_cast<int>(offered.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Controller, EnumerateTest,
                         ::testing::Values(EnumerateCase{"NoHandler", -1, 1}, EnumerateCase{"StopAtSecond", 2, 2},
                                           EnumerateCase{"StopAtFirst", 1, 1}, EnumerateCase{"AllOffered", 0, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThreeDevices, EnumerateOffersCheckedOutDevicesAndClosesOnlyUnclaimedOnes) {
    THidDevice* claimed = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByID(claimed, 0xFF4D, 0xF538));
    std::vector<int> offered;
    bench.controller->SetOnEnumerate([&](THidDevice& HidDev, int Idx) {
        offered.push_back(Idx);
        EXPECT_TRUE(HidDev.OpenFile()) << "a device being offered may be opened";
        return true;
    });
    EXPECT_EQ(bench.controller->Enumerate(), 3);
    EXPECT_EQ(offered, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(bench.system.OpenHandleCount(), 1) << "only the checked-out device keeps its handle";
    EXPECT_NE(claimed->HidFileHandle(), HidHandle::None);

    // An unplugged, checked-out device is not offered.
    bench.bus.Unplug(model14);
    bench.Run();
    offered.clear();
    EXPECT_EQ(bench.controller->Enumerate(), 2);
    EXPECT_EQ(offered, (std::vector<int>{0, 1}));
}

TEST_F(ThreeDevices, CheckOutByIdWithProductWildcardTakesEachVendorDeviceOnce) {
    THidDevice* first = nullptr;
    THidDevice* second = nullptr;
    THidDevice* third = reinterpret_cast<THidDevice*>(&bench);  // must be reset to none
    ASSERT_TRUE(bench.controller->CheckOutByID(first, 0xFF4D, -1));
    EXPECT_EQ(first->Attributes().ProductID, 0xF541);
    ASSERT_TRUE(bench.controller->CheckOutByID(second, 0xFF4D, -1));
    EXPECT_EQ(second->Attributes().ProductID, 0xF538);
    EXPECT_FALSE(bench.controller->CheckOutByID(third, 0xFF4D, -1));
    EXPECT_EQ(third, nullptr);
    EXPECT_FALSE(bench.controller->CheckOutByID(third, -1, 0xF541)) << "-1 is no vendor wildcard";
    EXPECT_EQ(bench.controller->CountByID(0xFF4D, -1), 2) << "checked-out devices still count";
    EXPECT_EQ(Of(*bench.controller), (Counters{1, 2, 0}));
}

struct CheckOutCase {
    const char* name;
    std::function<bool(THidDeviceController&, THidDevice*&)> checkOut;
    int expectedProduct;  // 0: refused
};

class CheckOutFamilyTest : public ThreeDevices, public ::testing::WithParamInterface<CheckOutCase> {};

TEST_P(CheckOutFamilyTest, TakesTheFirstMatchingDevice) {
    const CheckOutCase& c = GetParam();
    THidDevice* device = nullptr;
    const bool taken = c.checkOut(*bench.controller, device);
    EXPECT_EQ(taken, c.expectedProduct != 0);
    if (c.expectedProduct == 0) {
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(Of(*bench.controller), (Counters{3, 0, 0}));
    } else {
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->Attributes().ProductID, c.expectedProduct);
        EXPECT_TRUE(device->IsCheckedOut());
        EXPECT_EQ(Of(*bench.controller), (Counters{2, 1, 0}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Controller, CheckOutFamilyTest,
    ::testing::Values(
        CheckOutCase{"First", [](auto& c, auto& d) { return c.CheckOut(d); }, sim::SimKeyboard::kProductId},
        CheckOutCase{"ByIndex", [](auto& c, auto& d) { return c.CheckOutByIndex(d, 2); }, 0xF538},
        CheckOutCase{"ByIndexOutside", [](auto& c, auto& d) { return c.CheckOutByIndex(d, 3); }, 0},
        CheckOutCase{"ByIndexNegative", [](auto& c, auto& d) { return c.CheckOutByIndex(d, -1); }, 0},
        CheckOutCase{"ByClass", [](auto& c, auto& d) { return c.CheckOutByClass(d, u"HIDClass"); }, 0xF541},
        CheckOutCase{"ByEmptyClass", [](auto& c, auto& d) { return c.CheckOutByClass(d, u""); }, 0},
        // Names are read only from devices that may be opened, so an unclaimed device whose
        // name was never read does not match.
        CheckOutCase{"ByUnreadProductName", [](auto& c, auto& d) { return c.CheckOutByProductName(d, u"Tweezers"); },
                     0},
        CheckOutCase{"ByEmptyVendorName", [](auto& c, auto& d) { return c.CheckOutByVendorName(d, u""); }, 0},
        CheckOutCase{"ByCallback",
                     [](auto& c, auto& d) {
                         return c.CheckOutByCallback(d, [](THidDevice& HidDev) { return HidDev.ProductName() == u"Tweezers"; });
                     },
                     0xF541}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThreeDevices, CallbackFormsCloseTheHandlesOfDevicesNotTaken) {
    const int counted = bench.controller->CountByCallback([](THidDevice& HidDev) {
        return HidDev.OpenFile() && HidDev.Attributes().VendorID == 0xFF4D;
    });
    EXPECT_EQ(counted, 2);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByCallback(device, [](THidDevice& HidDev) {
        return HidDev.OpenFile() && HidDev.Attributes().ProductID == 0xF538;
    }));
    EXPECT_EQ(bench.system.OpenHandleCount(), 1) << "the taken device keeps its handle";
    EXPECT_EQ(bench.controller->CountByProductName(u"Tweezers"), 1)
        << "only the checked-out device may be asked for its name";
}

TEST_F(ThreeDevices, CheckOutOfCheckedOutOrUnlinkedDeviceChangesNothing) {
    THidDevice& device = bench.controller->Device(1);
    ASSERT_TRUE(device.CheckOut());
    EXPECT_FALSE(device.CheckOut());
    EXPECT_EQ(Of(*bench.controller), (Counters{2, 1, 0}));
    THidDevice* same = nullptr;
    EXPECT_FALSE(bench.controller->CheckOutByIndex(same, 1));
    EXPECT_EQ(Of(*bench.controller), (Counters{2, 1, 0}));
}

TEST_F(ThreeDevices, CheckInTwiceAndCheckInOfNoneLeaveCountersRight) {
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByID(device, 0xFF4D, 0xF541));
    THidDevice* copy = device;
    bench.controller->CheckIn(device);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(Of(*bench.controller), (Counters{3, 0, 0}));
    bench.controller->CheckIn(copy);  // already checked in
    bench.controller->CheckIn(device);  // none
    EXPECT_EQ(Of(*bench.controller), (Counters{3, 0, 0}));
}

TEST_F(ThreeDevices, CountersFollowCheckOutUnplugCheckInAndPasses) {
    THidDevice* a = nullptr;
    THidDevice* b = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByID(a, 0xFF4D, 0xF541));
    ASSERT_TRUE(bench.controller->CheckOutByID(b, 0xFF4D, 0xF538));
    EXPECT_EQ(Of(*bench.controller), (Counters{1, 2, 0}));
    bench.bus.Unplug(model12);
    bench.Run();
    EXPECT_EQ(Of(*bench.controller), (Counters{1, 1, 1}));
    bench.controller->CheckIn(a);
    EXPECT_EQ(Of(*bench.controller), (Counters{1, 1, 0}));
    bench.bus.Plug(model12);
    bench.Run();
    EXPECT_EQ(Of(*bench.controller), (Counters{2, 1, 0}));
    bench.controller->CheckIn(b);
    EXPECT_EQ(Of(*bench.controller), (Counters{3, 0, 0}));
}

TEST_F(ThreeDevices, FreeingACheckedOutDeviceLeavesAFreshObjectAtTheSamePlace) {
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByIndex(device, 1));
    std::vector<std::uint8_t> report(19);
    ASSERT_TRUE(device->SetFeature(report, 19));
    const std::u16string path = device->PnPInfo().DevicePath();

    THidDevice::Free(device);
    EXPECT_EQ(device, nullptr);
    ASSERT_EQ(bench.controller->Count(), 3u);
    THidDevice& fresh = bench.controller->Device(1);
    EXPECT_EQ(fresh.PnPInfo().DevicePath(), path);
    EXPECT_FALSE(fresh.IsCheckedOut());
    EXPECT_EQ(fresh.HidFileHandle(), HidHandle::None);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
    EXPECT_EQ(Of(*bench.controller), (Counters{3, 0, 0}));
    bench.bus.ChangeOtherDevice();
    EXPECT_EQ(bench.Run(), std::vector<std::string>{}) << "the fresh object is the listed one";
}

TEST_F(ThreeDevices, FreeingWhenTheReplacementCannotBeCreatedDropsTheEntry) {
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOutByIndex(device, 1));
    bench.bus.SetOpenMode(model12, sim::OpenMode::Never);
    THidDevice::Free(device);
    EXPECT_EQ(bench.controller->Count(), 2u);
    EXPECT_EQ(Of(*bench.controller), (Counters{2, 0, 0}));
}

}  // namespace
}  // namespace zrflash::hid::test
