// The hidraw HID system against a fake device tree: enumeration, opening, caps, feature reports,
// input reads, hot-plug, errors from the hot-plug callback and the report of an instrument that
// may not be opened.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>

#include "FakeHidDriver.h"
#include "hid/EControllerError.h"
#include "platform/linux/LinuxHidSystem.h"
#include "sim/InstrumentBuilder.h"

namespace zrflash::test {
namespace {

using namespace zrflash::hid;
using platform::linux_port::DescriptorWatch;
using platform::linux_port::LinuxHidSystem;

constexpr char kInstrumentNode[] = "/dev/hidraw3";
constexpr char kInstrumentSyspath[] = "/sys/devices/usb1/1-2/1-2:1.0/0003:FF4D:F542.0007/hidraw/hidraw3";

class FakeWatch final : public DescriptorWatch {
public:
    explicit FakeWatch(bool& watching) : watching_(watching) { watching_ = true; }
    ~FakeWatch() override { watching_ = false; }

private:
    bool& watching_;
};

class LinuxHidSystemTest : public testing::Test {
protected:
    LinuxHidSystemTest()
        : system(
              driver, [this](std::function<void()> work) { posted.push_back(std::move(work)); },
              [this](int descriptor, std::function<void()> onReadable) {
                  watchedDescriptor = descriptor;
                  monitorReadable = std::move(onReadable);
                  return std::make_unique<FakeWatch>(watching);
              }) {}

    void RunPosted() {
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
        }
    }
    FakeNode& PlugInstrument(const char* syspath = kInstrumentSyspath) {
        return driver.Plug(kInstrumentNode, syspath, 0xFF4D, 0xF542, InstrumentDescriptor());
    }
    HidHandle OpenInstrument(HidAccess access = HidAccess::ReadWrite) {
        return system.Open(u"/dev/hidraw3", access);
    }

    FakeHidDriver driver;
    std::deque<std::function<void()>> posted;
    int watchedDescriptor = -1;
    bool watching = false;
    std::function<void()> monitorReadable;
    LinuxHidSystem system;
};

TEST_F(LinuxHidSystemTest, ListsEveryHidrawInterfaceWithAnInstanceThatLastsUntilReplugged) {
    auto& instrument = PlugInstrument();
    instrument.node.name = "ZR Пинцет";
    instrument.node.manufacturer = "ZR";
    driver.Plug("/dev/hidraw0", "/sys/devices/usb1/1-1/0003:046D:C31C.0001/hidraw/hidraw0", 0x046D, 0xC31C, {});

    auto first = system.EnumerateInterfaces(kDefaultHidGuid);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->size(), 2u);
    const HidInterface& listed = (*first)[0];
    EXPECT_EQ(listed.path, u"/dev/hidraw3");
    EXPECT_EQ(listed.properties.HardwareID, std::vector<std::u16string>{u"HID\\VID_FF4D&PID_F542"});
    EXPECT_EQ(listed.properties.DeviceDescr, u"ZR Пинцет");
    EXPECT_EQ(listed.properties.Mfg, u"ZR");
    EXPECT_EQ(listed.properties.ClassDescr, u"HIDClass");
    EXPECT_NE(listed.deviceInstance, (*first)[1].deviceInstance);

    auto again = system.EnumerateInterfaces(kDefaultHidGuid);
    EXPECT_EQ((*again)[0].deviceInstance, listed.deviceInstance);

    // Unplugged and plugged again: the kernel gives the same node name to a new HID device.
    driver.Unplug(kInstrumentNode);
    PlugInstrument("/sys/devices/usb1/1-2/1-2:1.0/0003:FF4D:F542.0008/hidraw/hidraw3");
    auto replugged = system.EnumerateInterfaces(kDefaultHidGuid);
    ASSERT_EQ(replugged->size(), 2u);
    EXPECT_EQ(replugged->back().path, u"/dev/hidraw3");
    EXPECT_NE(replugged->back().deviceInstance, listed.deviceInstance);
}

TEST_F(LinuxHidSystemTest, AnswersNothingForOtherClassesAndFailsWhenUdevCannotList) {
    PlugInstrument();
    Guid other = kDefaultHidGuid;
    other.data1 ^= 1;
    EXPECT_TRUE(system.EnumerateInterfaces(other)->empty());
    driver.enumerationFails = true;
    EXPECT_FALSE(system.EnumerateInterfaces(kDefaultHidGuid));
}

TEST_F(LinuxHidSystemTest, OpensAndComputesTheInstrumentsCaps) {
    PlugInstrument();
    system.EnumerateInterfaces(kDefaultHidGuid);
    const HidHandle handle = OpenInstrument();
    ASSERT_NE(handle, HidHandle::None);
    HidAttributes attributes;
    ASSERT_TRUE(system.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.VendorID, 0xFF4D);
    EXPECT_EQ(attributes.ProductID, 0xF542);
    const PreparsedDataHandle data = system.GetPreparsedData(handle);
    ASSERT_NE(data, PreparsedDataHandle::None);
    HidCaps caps;
    ASSERT_EQ(system.GetCaps(data, caps), kHidpStatusSuccess);
    EXPECT_EQ(caps.FeatureReportByteLength, 19);
    EXPECT_EQ(caps.InputReportByteLength, 0);
    EXPECT_EQ(caps.UsagePage, 0xFF00);
    system.FreePreparsedData(data);
    EXPECT_NE(system.GetCaps(data, caps), kHidpStatusSuccess);
    system.Close(handle);
    EXPECT_EQ(driver.OpenDescriptors(), 0);
}

TEST_F(LinuxHidSystemTest, AMalformedDescriptorGivesNoParsedData) {
    driver.Plug(kInstrumentNode, kInstrumentSyspath, 0xFF4D, 0xF542, {0xA1, 0x01});
    const HidHandle handle = OpenInstrument();
    EXPECT_EQ(system.GetPreparsedData(handle), PreparsedDataHandle::None);
}

TEST_F(LinuxHidSystemTest, AccessFollowsTheNodesPermissions) {
    struct Case {
        const char* name;
        NodePermission permission;
        bool readWrite, queryOnly;
    };
    const Case cases[] = {
        {"read and write", NodePermission::ReadWrite, true, true},
        {"read only", NodePermission::ReadOnly, false, true},
        {"none", NodePermission::None, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidDriver tree;
        LinuxHidSystem hid(tree, [](std::function<void()>) {}, nullptr);
        hid.SetOpenDeniedHandler([](const auto&) {});
        tree.Plug(kInstrumentNode, kInstrumentSyspath, 0xFF4D, 0xF542, InstrumentDescriptor()).permission = c.permission;
        const HidHandle readWrite = hid.Open(u"/dev/hidraw3", HidAccess::ReadWrite);
        EXPECT_EQ(readWrite != HidHandle::None, c.readWrite);
        if (!c.readWrite) EXPECT_EQ(hid.LastError(), 5u);
        const HidHandle query = hid.Open(u"/dev/hidraw3", HidAccess::QueryOnly);
        EXPECT_EQ(query != HidHandle::None, c.queryOnly);
        if (query == HidHandle::None) continue;
        // A query-only handle identifies the device but carries no reports.
        HidAttributes attributes;
        EXPECT_TRUE(hid.GetAttributes(query, attributes));
        std::vector<std::uint8_t> report(19);
        EXPECT_FALSE(hid.SetFeature(query, report));
        EXPECT_EQ(hid.LastError(), 5u);
        EXPECT_FALSE(hid.GetFeature(query, report));
    }
}

TEST_F(LinuxHidSystemTest, PassesFeatureReportsWithExactlyTheLengthAsked) {
    auto instrument = sim::InstrumentBuilder().Model12().Build();
    driver.Plug(kInstrumentNode, kInstrumentSyspath, 0xFF4D, 0xF542, InstrumentDescriptor(), instrument.get());
    const HidHandle handle = OpenInstrument();
    // Command 21 reads the byte at 0x3FF (firmware state 1).
    std::vector<std::uint8_t> request(19, 0);
    request[1] = 0x03;
    request[2] = 0xFF;
    request[18] = 21;
    ASSERT_TRUE(system.SetFeature(handle, request));
    EXPECT_EQ(driver.sentFeatures.back(), request);
    std::vector<std::uint8_t> answer(19, 0xEE);
    answer[0] = 0;  // the report ID goes first
    ASSERT_TRUE(system.GetFeature(handle, answer));
    EXPECT_EQ(driver.featureRequestLengths, (std::vector<std::size_t>{19, 19}));
    EXPECT_EQ(answer[1], 1);   // the byte read: firmware state 1
    EXPECT_EQ(answer[5], 0);   // nothing of the old buffer is left
    EXPECT_EQ(answer[18], 0);  // status: done
    EXPECT_EQ(instrument->SetFeatureCount(), 1);
    EXPECT_EQ(instrument->GetFeatureCount(), 1);
}

TEST_F(LinuxHidSystemTest, FeatureFailuresBecomeThePlatformsErrorCodes) {
    struct Case {
        const char* name;
        int error;
        std::uint32_t code;
    };
    const Case cases[] = {{"stalled", EPIPE, 31}, {"gone", ENODEV, 1167}, {"timed out", ETIMEDOUT, 1460}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidDriver tree;
        LinuxHidSystem hid(tree, [](std::function<void()>) {}, nullptr);
        tree.Plug(kInstrumentNode, kInstrumentSyspath, 0xFF4D, 0xF542, InstrumentDescriptor()).featureError = c.error;
        const HidHandle handle = hid.Open(u"/dev/hidraw3", HidAccess::ReadWrite);
        std::vector<std::uint8_t> report(19);
        EXPECT_FALSE(hid.SetFeature(handle, report));
        EXPECT_EQ(hid.LastError(), c.code);
        EXPECT_FALSE(hid.GetFeature(handle, report));
        EXPECT_EQ(hid.LastError(), c.code);
    }
}

TEST_F(LinuxHidSystemTest, TransfersOnAnUnpluggedDeviceFailAsNotConnected) {
    auto instrument = sim::InstrumentBuilder().Model12().Build();
    driver.Plug(kInstrumentNode, kInstrumentSyspath, 0xFF4D, 0xF542, InstrumentDescriptor(), instrument.get());
    const HidHandle handle = OpenInstrument();
    driver.Unplug(kInstrumentNode);
    std::vector<std::uint8_t> report(19);
    EXPECT_FALSE(system.SetFeature(handle, report));
    EXPECT_EQ(system.LastError(), kErrorDeviceNotConnected);
    EXPECT_TRUE(driver.sentFeatures.empty());
}

TEST_F(LinuxHidSystemTest, InputReportsArriveWithTheirIdByteFirst) {
    auto& node = PlugInstrument();
    node.input.push_back({0x11, 0x22, 0x33});
    const HidHandle reader = OpenInstrument(HidAccess::OverlappedRead);
    std::vector<std::uint8_t> buffer(19, 0xEE);
    ASSERT_TRUE(system.StartRead(reader, buffer));
    EXPECT_EQ(system.TransferResult(reader), 0u);
    ASSERT_TRUE(system.WaitForTransfer(reader, 10));
    // Without report IDs the kernel leaves the ID byte out: the port puts the 0 back.
    EXPECT_EQ(system.TransferResult(reader), 4u);
    EXPECT_EQ((std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 4)),
              (std::vector<std::uint8_t>{0x00, 0x11, 0x22, 0x33}));

    ASSERT_TRUE(system.StartRead(reader, buffer));
    EXPECT_FALSE(system.WaitForTransfer(reader, 10));  // nothing came
    EXPECT_TRUE(system.CancelIo(reader));
    EXPECT_FALSE(system.WaitForTransfer(reader, 10));   // nothing pending any more

    // Unplugged: the pending read completes empty, and the next one fails at once.
    ASSERT_TRUE(system.StartRead(reader, buffer));
    driver.Unplug(kInstrumentNode);
    EXPECT_TRUE(system.WaitForTransfer(reader, 10));
    EXPECT_EQ(system.TransferResult(reader), 0u);
    EXPECT_FALSE(system.StartRead(reader, buffer));
    EXPECT_EQ(system.LastError(), kErrorDeviceNotConnected);
}

TEST_F(LinuxHidSystemTest, ADeviceWithReportIdsDeliversItsOwnIdByte) {
    const std::vector<std::uint8_t> withIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x75,
                                               0x08, 0x95, 0x02, 0x09, 0x01, 0x81, 0x02, 0xC0};
    driver.Plug(kInstrumentNode, kInstrumentSyspath, 0xFF4D, 0xF542, withIds).input.push_back({0x02, 0xAA, 0xBB});
    const HidHandle reader = OpenInstrument(HidAccess::OverlappedRead);
    std::vector<std::uint8_t> buffer(3);
    ASSERT_TRUE(system.StartRead(reader, buffer));
    ASSERT_TRUE(system.WaitForTransfer(reader, 10));
    EXPECT_EQ(system.TransferResult(reader), 3u);
    EXPECT_EQ(buffer, (std::vector<std::uint8_t>{0x02, 0xAA, 0xBB}));
}

TEST_F(LinuxHidSystemTest, NotifiesOnceAtStartThenForEachBurstOfMonitorEvents) {
    std::vector<std::intptr_t> notifications;
    system.StartDeviceChangeNotifications([&](std::uintptr_t wParam, std::intptr_t lParam) {
        EXPECT_EQ(wParam, kDbtDevNodesChanged);
        notifications.push_back(lParam);
    });
    EXPECT_TRUE(notifications.empty());  // posted, not called from inside the start
    EXPECT_EQ(watchedDescriptor, FakeHidDriver::kMonitorDescriptor);
    RunPosted();
    EXPECT_EQ(notifications, std::vector<std::intptr_t>{-1});

    PlugInstrument();
    driver.Plug("/dev/hidraw4", "/sys/x/hidraw4", 1, 2, {});
    monitorReadable();
    EXPECT_EQ(notifications, (std::vector<std::intptr_t>{-1, 0}));
    monitorReadable();  // woken with nothing new: no notification
    EXPECT_EQ(notifications.size(), 2u);

    system.StopDeviceChangeNotifications();
    EXPECT_FALSE(watching);
    EXPECT_FALSE(driver.monitorOpen);
}

TEST_F(LinuxHidSystemTest, WithoutAMonitorTheFirstNotificationStillComes) {
    driver.monitorFails = true;
    int notifications = 0;
    system.StartDeviceChangeNotifications([&](std::uintptr_t, std::intptr_t) { ++notifications; });
    RunPosted();
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(watching);
}

TEST_F(LinuxHidSystemTest, AnErrorFromTheCallbackIsShownAndTheNotificationsGoOn) {
    std::vector<std::string> errors;
    system.SetNotificationErrorHandler([&](const std::string& message) { errors.push_back(message); });
    int calls = 0;
    system.StartDeviceChangeNotifications([&](std::uintptr_t, std::intptr_t) {
        ++calls;
        throw EControllerError(kDeviceCannotBeOpened);
    });
    EXPECT_NO_THROW(RunPosted());
    PlugInstrument();
    EXPECT_NO_THROW(monitorReadable());
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(errors, (std::vector<std::string>{kDeviceCannotBeOpened, kDeviceCannotBeOpened}));

    // Nobody to show it to: it still stops in the port.
    system.SetNotificationErrorHandler(nullptr);
    driver.Plug("/dev/hidraw4", "/sys/x/hidraw4", 1, 2, {});
    EXPECT_NO_THROW(monitorReadable());
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(LinuxHidSystemTest, ReportsAnInterfaceThatMayNotBeOpenedOncePerPlugging) {
    std::vector<std::string> denied;
    system.SetOpenDeniedHandler([&](const platform::linux_port::HidrawNode& node) { denied.push_back(node.devnode); });
    PlugInstrument().permission = NodePermission::None;
    system.EnumerateInterfaces(kDefaultHidGuid);
    EXPECT_EQ(OpenInstrument(), HidHandle::None);
    EXPECT_EQ(OpenInstrument(HidAccess::QueryOnly), HidHandle::None);
    system.EnumerateInterfaces(kDefaultHidGuid);
    EXPECT_EQ(OpenInstrument(), HidHandle::None);
    EXPECT_EQ(denied, std::vector<std::string>{kInstrumentNode});

    driver.Unplug(kInstrumentNode);
    system.EnumerateInterfaces(kDefaultHidGuid);
    PlugInstrument("/sys/devices/usb1/1-2/1-2:1.0/0003:FF4D:F542.0009/hidraw/hidraw3").permission =
        NodePermission::None;
    system.EnumerateInterfaces(kDefaultHidGuid);
    EXPECT_EQ(OpenInstrument(), HidHandle::None);
    EXPECT_EQ(denied.size(), 2u);
}

TEST_F(LinuxHidSystemTest, BindsOnlyWhileUdevAnswers) {
    driver.available = false;
    EXPECT_FALSE(system.BindLibrary(HidLibrary::SetupApi));
    EXPECT_FALSE(system.IsLibraryBound(HidLibrary::SetupApi));
    driver.available = true;
    EXPECT_TRUE(system.BindLibrary(HidLibrary::Hid));
    EXPECT_TRUE(system.IsLibraryBound(HidLibrary::Hid));
    system.ReleaseLibrary(HidLibrary::Hid);
    EXPECT_FALSE(system.IsLibraryBound(HidLibrary::Hid));
}

}  // namespace
}  // namespace zrflash::test
