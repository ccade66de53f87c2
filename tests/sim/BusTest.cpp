// The virtual bus and its HID system: enumeration, opening, transfers and notifications.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "sim/SimHidSystem.h"
#include "sim/SimKeyboard.h"
#include "sim/SimMouse.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::sim {
namespace {

using hid::HidAccess;
using hid::HidHandle;

// Records the exact bytes of every transfer.
class RecordingDevice : public SimDevice {
public:
    SimDeviceIdentity Identity() const override {
        SimDeviceIdentity identity;
        identity.vendorId = 0xFF4D;
        identity.productId = 0xF538;
        identity.featureReportLength = 19;
        return identity;
    }
    void AttachHost(SimDeviceHost* host) override { this->host = host; }
    bool SetFeature(std::span<const std::uint8_t> report) override {
        sent.emplace_back(report.begin(), report.end());
        return true;
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
        for (auto& byte : report) byte = 0xA5;
        return true;
    }
    SimDeviceHost* host = nullptr;
    std::vector<std::vector<std::uint8_t>> sent;
};

struct BusBench {
    void Run() {
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
        }
    }
    std::deque<std::function<void()>> posted;
    int elapsed = 0;
    VirtualHidBus bus{[this](std::function<void()> work) { posted.push_back(std::move(work)); },
                      [this](int milliseconds) { elapsed += milliseconds; }};
    SimHidSystem system{bus};
};

TEST(Bus, EnumerationFollowsPlugAndUnplugAndCanFailAsAWhole) {
    RecordingDevice instrument;
    SimKeyboard keyboard;
    BusBench bench;
    EXPECT_EQ(bench.system.EnumerateInterfaces(hid::kDefaultHidGuid)->size(), 0u);
    bench.bus.Plug(instrument);
    bench.bus.Plug(keyboard, SimKeyboard::BusOptions());
    auto present = bench.system.EnumerateInterfaces(hid::kDefaultHidGuid);
    ASSERT_EQ(present->size(), 2u);
    EXPECT_EQ((*present)[0].deviceInstance, 1u);
    EXPECT_EQ((*present)[1].properties.ClassDescr, u"Keyboard");
    EXPECT_NE((*present)[0].path, (*present)[1].path);
    EXPECT_EQ(instrument.host, &bench.bus);

    bench.bus.Unplug(instrument);
    EXPECT_EQ(instrument.host, nullptr);
    EXPECT_EQ(bench.system.EnumerateInterfaces(hid::kDefaultHidGuid)->size(), 1u);
    bench.bus.SetEnumerationFails(true);
    EXPECT_FALSE(bench.system.EnumerateInterfaces(hid::kDefaultHidGuid).has_value());
}

TEST(Bus, OpenModesDecideWhichAccessIsGranted) {
    struct Case {
        OpenMode mode;
        bool readWrite, queryOnly;
    };
    for (const Case c : {Case{OpenMode::ReadWrite, true, true}, Case{OpenMode::QueryOnly, false, true},
                         Case{OpenMode::Never, false, false}}) {
        RecordingDevice device;
        BusBench bench;
        BusInterfaceOptions options;
        options.openMode = c.mode;
        bench.bus.Plug(device, options);
        const auto path = (*bench.system.EnumerateInterfaces(hid::kDefaultHidGuid))[0].path;
        const HidHandle readWrite = bench.system.Open(path, HidAccess::ReadWrite);
        const HidHandle queryOnly = bench.system.Open(path, HidAccess::QueryOnly);
        EXPECT_EQ(readWrite != HidHandle::None, c.readWrite);
        EXPECT_EQ(queryOnly != HidHandle::None, c.queryOnly);
        const std::uint8_t report[19] = {};
        if (queryOnly != HidHandle::None) {
            EXPECT_FALSE(bench.system.SetFeature(queryOnly, report)) << "query access moves no reports";
        }
    }
}

TEST(Bus, TransfersMoveExactlyTheBytesPassedAndFailAfterUnplug) {
    RecordingDevice instrument;
    BusBench bench;
    bench.bus.Plug(instrument);
    const auto path = (*bench.system.EnumerateInterfaces(hid::kDefaultHidGuid))[0].path;
    const HidHandle handle = bench.system.Open(path, HidAccess::ReadWrite);
    std::uint8_t buffer[24] = {};
    buffer[18] = 21;
    ASSERT_TRUE(bench.system.SetFeature(handle, std::span(buffer, 19)));
    ASSERT_EQ(instrument.sent.size(), 1u);
    EXPECT_EQ(instrument.sent[0].size(), 19u);
    EXPECT_EQ(instrument.sent[0][18], 21);
    ASSERT_TRUE(bench.system.GetFeature(handle, std::span(buffer, 10)));
    EXPECT_EQ(buffer[9], 0xA5);
    EXPECT_EQ(buffer[10], 0) << "nothing beyond the size passed";
    EXPECT_FALSE(bench.system.SetFeature(handle, {})) << "a transfer carries at least the report ID";

    bench.bus.Unplug(instrument);
    EXPECT_EQ(bench.system.OpenHandleCount(), 1) << "unplugging closes nothing";
    EXPECT_FALSE(bench.system.SetFeature(handle, std::span(buffer, 19)));
    EXPECT_EQ(bench.system.LastError(), hid::kErrorDeviceNotConnected);
    EXPECT_EQ(instrument.sent.size(), 1u);
    bench.system.Close(handle);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
}

TEST(Bus, NotificationsArePostedAndStartWithTheFirstOne) {
    RecordingDevice instrument;
    SimMouse mouse;
    BusBench bench;
    std::vector<std::intptr_t> seen;
    bench.system.StartDeviceChangeNotifications([&](std::uintptr_t wParam, std::intptr_t lParam) {
        EXPECT_EQ(wParam, hid::kDbtDevNodesChanged);
        seen.push_back(lParam);
    });
    EXPECT_TRUE(seen.empty()) << "nothing runs before the loop";
    bench.bus.Plug(instrument);
    bench.bus.Plug(mouse, SimMouse::BusOptions());
    bench.bus.ChangeOtherDevice();
    bench.Run();
    EXPECT_EQ(seen, (std::vector<std::intptr_t>{-1, 0, 0, 0}));

    bench.bus.Unplug(mouse);
    bench.system.StopDeviceChangeNotifications();
    bench.Run();
    EXPECT_EQ(seen.size(), 4u) << "none after the stop, even if already posted";
}

TEST(Bus, DevicesLetTimePassAndUnplugThemselvesThroughTheirHost) {
    RecordingDevice instrument;
    BusBench bench;
    bench.bus.Plug(instrument);
    instrument.host->Elapse(20);
    EXPECT_EQ(bench.elapsed, 20);
    instrument.host->Unplug(instrument);
    EXPECT_FALSE(bench.bus.IsPlugged(instrument));
    EXPECT_EQ(bench.system.EnumerateInterfaces(hid::kDefaultHidGuid)->size(), 0u);
}

}  // namespace
}  // namespace zrflash::sim
