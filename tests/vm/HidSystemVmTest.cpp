// The hidraw HID system with its real driver on a real kernel: the instrument and a keyboard made
// by uhid, found through libudev, sized from the kernel's descriptor, spoken to with feature
// reports, unplugged and plugged again through the udev monitor.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>

#include "UhidRig.h"
#include "platform/linux/LinuxHidSystem.h"
#include "platform/linux/UdevHidDriver.h"
#include "sim/InstrumentBuilder.h"

namespace zrflash::test {
namespace {

using namespace zrflash::hid;
using platform::linux_port::DescriptorWatch;
using platform::linux_port::LinuxHidSystem;
using platform::linux_port::UdevHidDriver;

constexpr std::uint16_t kVendor = sim::kInstrumentVendorId;

sim::InstrumentReport ReadByteRequest(std::uint16_t address) {
    sim::InstrumentReport request{};
    request[1] = static_cast<std::uint8_t>(address >> 8);
    request[2] = static_cast<std::uint8_t>(address & 0xFF);
    request[sim::kCommandByte] = sim::command::ReadByte;
    return request;
}

class HidSystemVmTest : public testing::Test {
protected:
    HidSystemVmTest()
        : rig(sim::InstrumentBuilder().Model12().MemoryByte(0x123, 0xA5).Build()),
          system(
              driver, [this](std::function<void()> work) { posted.push_back(std::move(work)); },
              [this](int descriptor, std::function<void()> onReadable) {
                  monitorDescriptor = descriptor;
                  monitorReadable = std::move(onReadable);
                  return std::make_unique<DescriptorWatch>();
              }) {}

    void RunPosted() {
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
        }
    }
    // Waits for the udev monitor as the GUI loop would and hands its events to the system.
    bool DeliverMonitorEvents(int timeoutMs = 5000) {
        if (!WaitReadable(monitorDescriptor, timeoutMs)) return false;
        monitorReadable();
        RunPosted();
        return true;
    }
    std::optional<HidInterface> Listed(std::u16string_view hardwareId) {
        auto listed = system.EnumerateInterfaces(kDefaultHidGuid);
        if (!listed) return std::nullopt;
        for (const HidInterface& entry : *listed) {
            if (!entry.properties.HardwareID.empty() && entry.properties.HardwareID[0] == hardwareId) return entry;
        }
        return std::nullopt;
    }
    HidHandle OpenInstrument() {
        auto listed = Listed(u"HID\\VID_FF4D&PID_F542");
        return listed ? system.Open(listed->path, HidAccess::ReadWrite) : HidHandle::None;
    }

    UhidRig rig;
    UdevHidDriver driver;
    std::deque<std::function<void()>> posted;
    int monitorDescriptor = -1;
    std::function<void()> monitorReadable;
    LinuxHidSystem system;
};

TEST_F(HidSystemVmTest, ListsTheInstrumentAndTheKeyboardWithTheirHidParentsIdentity) {
    const auto instrumentNode = rig.PlugInstrument();
    const auto keyboardNode = rig.PlugKeyboard();
    ASSERT_TRUE(instrumentNode && keyboardNode);

    for (const auto& [node, vendor, product] :
         {std::tuple{*instrumentNode, kVendor, sim::kModel12ProductId},
          std::tuple{*keyboardNode, sim::SimKeyboard::kVendorId, sim::SimKeyboard::kProductId}}) {
        SCOPED_TRACE(node.syspath);
        EXPECT_EQ(node.bus, 3u);
        EXPECT_EQ(node.vendorId, vendor);
        EXPECT_EQ(node.productId, product);
        EXPECT_EQ(node.devnode.rfind("/dev/hidraw", 0), 0u);
        EXPECT_EQ(node.driver, "hid-generic");
    }
    EXPECT_NE(instrumentNode->syspath.find("0003:FF4D:F542."), std::string::npos);
    EXPECT_EQ(instrumentNode->physical, "usb-0000:00:14.0-2/input0");

    const auto instrument = Listed(u"HID\\VID_FF4D&PID_F542");
    const auto keyboard = Listed(u"HID\\VID_1C4F&PID_0002");
    ASSERT_TRUE(instrument && keyboard);
    EXPECT_EQ(instrument->path, std::u16string(instrumentNode->devnode.begin(), instrumentNode->devnode.end()));
    EXPECT_NE(instrument->deviceInstance, keyboard->deviceInstance);

    HidHandle handle = system.Open(instrument->path, HidAccess::ReadWrite);
    ASSERT_NE(handle, HidHandle::None);
    HidAttributes attributes{};
    ASSERT_TRUE(system.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.VendorID, kVendor);
    EXPECT_EQ(attributes.ProductID, sim::kModel12ProductId);
    system.Close(handle);
}

TEST_F(HidSystemVmTest, CapsComeFromTheKernelsDescriptor) {
    ASSERT_TRUE(rig.PlugInstrument() && rig.PlugKeyboard());
    struct Case {
        std::u16string hardwareId;
        std::uint16_t usagePage, usage, feature, input, output;
    };
    for (const Case& expected : {Case{u"HID\\VID_FF4D&PID_F542", 0xFF00, 1, 19, 0, 0},
                                 Case{u"HID\\VID_1C4F&PID_0002", 0x01, 6, 0, 9, 2}}) {
        auto listed = Listed(expected.hardwareId);
        ASSERT_TRUE(listed);
        HidHandle handle = system.Open(listed->path, HidAccess::QueryOnly);
        ASSERT_NE(handle, HidHandle::None);
        PreparsedDataHandle data = system.GetPreparsedData(handle);
        ASSERT_NE(data, PreparsedDataHandle::None);
        HidCaps caps{};
        system.GetCaps(data, caps);
        EXPECT_EQ(caps.UsagePage, expected.usagePage);
        EXPECT_EQ(caps.Usage, expected.usage);
        EXPECT_EQ(caps.FeatureReportByteLength, expected.feature);
        EXPECT_EQ(caps.InputReportByteLength, expected.input);
        EXPECT_EQ(caps.OutputReportByteLength, expected.output);
        system.FreePreparsedData(data);
        system.Close(handle);
    }
}

TEST_F(HidSystemVmTest, FeatureReportsCrossTheKernelExactlyBothWays) {
    ASSERT_TRUE(rig.PlugInstrument());
    HidHandle handle = OpenInstrument();
    ASSERT_NE(handle, HidHandle::None);
    rig.Instrument().ClearTrace();

    const sim::InstrumentReport request = ReadByteRequest(0x123);
    ASSERT_TRUE(system.SetFeature(handle, request));
    std::array<std::uint8_t, 19> answer{};
    // The report number goes first; stale bytes behind it must all be overwritten.
    answer.fill(0xEE);
    answer[0] = 0;
    ASSERT_TRUE(system.GetFeature(handle, answer));

    std::lock_guard lock(rig.InstrumentDevice().DeviceMutex());
    const auto& trace = rig.Instrument().Trace();
    ASSERT_EQ(trace.size(), 2u);
    // The instrument got all 19 bytes, report number 0 first, and the program all 19 it answered.
    EXPECT_EQ(trace[0].bytes, std::vector<std::uint8_t>(request.begin(), request.end()));
    EXPECT_EQ(trace[1].bytes, std::vector<std::uint8_t>(answer.begin(), answer.end()));
    EXPECT_EQ(answer[1], 0xA5);
    EXPECT_EQ(answer[sim::kStatusByte], 0);
    system.Close(handle);
}

TEST_F(HidSystemVmTest, UnplugAndReplugReachTheProgramThroughTheUdevMonitor) {
    ASSERT_TRUE(rig.PlugInstrument());
    std::vector<std::intptr_t> notifications;
    system.StartDeviceChangeNotifications([&](std::uintptr_t wParam, std::intptr_t lParam) {
        EXPECT_EQ(wParam, kDbtDevNodesChanged);
        notifications.push_back(lParam);
    });
    RunPosted();
    ASSERT_EQ(notifications, std::vector<std::intptr_t>{-1});
    ASSERT_GE(monitorDescriptor, 0);
    const auto before = Listed(u"HID\\VID_FF4D&PID_F542");
    ASSERT_TRUE(before);

    rig.InstrumentDevice().Unplug();
    ASSERT_TRUE(DeliverMonitorEvents());
    ASSERT_TRUE(rig.WaitGone(kVendor));
    EXPECT_GE(notifications.size(), 2u);
    EXPECT_FALSE(Listed(u"HID\\VID_FF4D&PID_F542"));

    const std::size_t afterUnplug = notifications.size();
    ASSERT_TRUE(rig.PlugInstrument());
    ASSERT_TRUE(DeliverMonitorEvents());
    EXPECT_GT(notifications.size(), afterUnplug);
    const auto after = Listed(u"HID\\VID_FF4D&PID_F542");
    ASSERT_TRUE(after);
    // The kernel numbers the replugged device afresh: a new instance.
    EXPECT_NE(after->deviceInstance, before->deviceInstance);
    system.StopDeviceChangeNotifications();
}

TEST_F(HidSystemVmTest, ATransferInFlightFailsBeforeTheRemovalIsAnnounced) {
    ASSERT_TRUE(rig.PlugInstrument());
    system.StartDeviceChangeNotifications([](std::uintptr_t, std::intptr_t) {});
    RunPosted();
    HidHandle handle = OpenInstrument();
    ASSERT_NE(handle, HidHandle::None);
    {
        std::lock_guard lock(rig.InstrumentDevice().DeviceMutex());
        // The fetch after this command: the instrument vanishes while the kernel waits for it.
        rig.Instrument().Faults().UnplugAt(rig.Instrument().ExchangeCount() + 2);
    }
    const sim::InstrumentReport request = ReadByteRequest(0x123);
    ASSERT_TRUE(system.SetFeature(handle, request));
    std::array<std::uint8_t, 19> answer{};
    EXPECT_FALSE(system.GetFeature(handle, answer));
    // The failure is back while udev has not yet told anyone: the monitor is still quiet.
    EXPECT_FALSE(WaitReadable(monitorDescriptor, 0));
    EXPECT_TRUE(WaitReadable(monitorDescriptor, 5000));
    // From now on the open descriptor only fails.
    EXPECT_FALSE(system.SetFeature(handle, request));
    system.Close(handle);
    system.StopDeviceChangeNotifications();
}

}  // namespace
}  // namespace zrflash::test
