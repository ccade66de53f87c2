// The hidraw port's operating-system calls: libudev for the device list and hot-plug, the
// hidraw character devices and their ioctls for everything else.
#include "platform/linux/UdevHidDriver.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <memory>

#include "platform/linux/HidIdProperty.h"

namespace zrflash::platform::linux_port {
namespace {

struct DeviceRelease {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
struct EnumerateRelease {
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};

std::string Text(const char* value) { return value == nullptr ? std::string() : std::string(value); }

int Result(int value) { return value < 0 ? -errno : value; }

// A report the caller passes for sending: the ioctl wants a writable buffer.
int SendReport(int descriptor, unsigned long request, std::span<const std::uint8_t> report) {
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    return Result(::ioctl(descriptor, request, copy.data()));
}

std::optional<HidrawNode> Describe(udev_device* device) {
    HidrawNode node;
    node.syspath = Text(udev_device_get_syspath(device));
    node.devnode = Text(udev_device_get_devnode(device));
    if (node.devnode.empty()) return std::nullopt;
    // The hidraw node's parent in the "hid" subsystem carries the identity; udev owns the parents.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    if (hid == nullptr) return std::nullopt;
    HidrawInfo info;
    if (!ParseHidId(Text(udev_device_get_property_value(hid, "HID_ID")), info)) return std::nullopt;
    node.bus = info.bus;
    node.vendorId = info.vendorId;
    node.productId = info.productId;
    node.name = Text(udev_device_get_property_value(hid, "HID_NAME"));
    node.physical = Text(udev_device_get_property_value(hid, "HID_PHYS"));
    node.unique = Text(udev_device_get_property_value(hid, "HID_UNIQ"));
    node.driver = Text(udev_device_get_driver(hid));
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device")) {
        node.manufacturer = Text(udev_device_get_sysattr_value(usb, "manufacturer"));
        node.product = Text(udev_device_get_sysattr_value(usb, "product"));
        node.serial = Text(udev_device_get_sysattr_value(usb, "serial"));
        const std::string version = Text(udev_device_get_sysattr_value(usb, "bcdDevice"));
        std::uint16_t value = 0;
        const auto [end, error] = std::from_chars(version.data(), version.data() + version.size(), value, 16);
        if (error == std::errc() && end == version.data() + version.size()) node.versionNumber = value;
    }
    return node;
}

}  // namespace

UdevHidDriver::UdevHidDriver() : udev_(udev_new()) {}

UdevHidDriver::~UdevHidDriver() {
    CloseMonitor();
    if (udev_ != nullptr) udev_unref(udev_);
}

std::optional<std::vector<HidrawNode>> UdevHidDriver::Enumerate() {
    if (udev_ == nullptr) return std::nullopt;
    std::unique_ptr<udev_enumerate, EnumerateRelease> enumerate(udev_enumerate_new(udev_));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return std::nullopt;
    }
    std::vector<HidrawNode> nodes;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        std::unique_ptr<udev_device, DeviceRelease> device(
            udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry)));
        // A node that vanished between the listing and this look is simply not present.
        if (!device) continue;
        if (auto node = Describe(device.get())) nodes.push_back(std::move(*node));
    }
    return nodes;
}

int UdevHidDriver::Open(const std::string& devnode, HidrawOpenMode mode) {
    const int flags = (mode == HidrawOpenMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    return Result(::open(devnode.c_str(), flags));
}

void UdevHidDriver::Close(int descriptor) {
    if (descriptor >= 0) ::close(descriptor);
}

int UdevHidDriver::GetInfo(int descriptor, HidrawInfo& info) {
    hidraw_devinfo raw{};
    if (::ioctl(descriptor, HIDIOCGRAWINFO, &raw) < 0) return -errno;
    // The kernel declares vendor and product as signed 16-bit numbers.
    info = {raw.bustype, static_cast<std::uint16_t>(raw.vendor), static_cast<std::uint16_t>(raw.product)};
    return 0;
}

int UdevHidDriver::GetReportDescriptor(int descriptor, std::vector<std::uint8_t>& bytes) {
    int size = 0;
    if (::ioctl(descriptor, HIDIOCGRDESCSIZE, &size) < 0) return -errno;
    if (size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) return -EINVAL;
    auto raw = std::make_unique<hidraw_report_descriptor>();
    raw->size = static_cast<std::uint32_t>(size);
    if (::ioctl(descriptor, HIDIOCGRDESC, raw.get()) < 0) return -errno;
    bytes.assign(raw->value, raw->value + raw->size);
    return 0;
}

int UdevHidDriver::SetFeature(int descriptor, std::span<const std::uint8_t> report) {
    return SendReport(descriptor, HIDIOCSFEATURE(report.size()), report);
}

int UdevHidDriver::GetFeature(int descriptor, std::span<std::uint8_t> report) {
    return Result(::ioctl(descriptor, HIDIOCGFEATURE(report.size()), report.data()));
}

// Input and output reports by ioctl came with Linux 5.11; built against older headers the port
// answers them as not supported, as an older kernel answers the unknown request.
int UdevHidDriver::GetInput(int descriptor, std::span<std::uint8_t> report) {
#ifdef HIDIOCGINPUT
    return Result(::ioctl(descriptor, HIDIOCGINPUT(report.size()), report.data()));
#else
    (void)descriptor;
    (void)report;
    return -EOPNOTSUPP;
#endif
}

int UdevHidDriver::SetOutput(int descriptor, std::span<const std::uint8_t> report) {
#ifdef HIDIOCSOUTPUT
    return SendReport(descriptor, HIDIOCSOUTPUT(report.size()), report);
#else
    (void)descriptor;
    (void)report;
    return -EOPNOTSUPP;
#endif
}

int UdevHidDriver::Read(int descriptor, std::span<std::uint8_t> buffer, int timeoutMs) {
    pollfd watched{descriptor, POLLIN, 0};
    const int ready = ::poll(&watched, 1, timeoutMs);
    if (ready < 0) return -errno;
    if (ready == 0) return -ETIMEDOUT;
    // An unplugged hidraw node reports POLLHUP/POLLERR and read then fails with ENODEV or EIO.
    if ((watched.revents & POLLIN) == 0) return -ENODEV;
    return static_cast<int>(Result(static_cast<int>(::read(descriptor, buffer.data(), buffer.size()))));
}

int UdevHidDriver::Write(int descriptor, std::span<const std::uint8_t> buffer) {
    return Result(static_cast<int>(::write(descriptor, buffer.data(), buffer.size())));
}

int UdevHidDriver::OpenMonitor() {
    if (udev_ == nullptr) return -ENODEV;
    CloseMonitor();
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr) return -ENODEV;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        CloseMonitor();
        return -ENODEV;
    }
    const int descriptor = udev_monitor_get_fd(monitor_);
    // The loop must never block on this socket: drain it without waiting.
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
    return descriptor;
}

bool UdevHidDriver::DrainMonitor() {
    if (monitor_ == nullptr) return false;
    bool any = false;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        any = true;
        udev_device_unref(device);
    }
    return any;
}

void UdevHidDriver::CloseMonitor() {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    monitor_ = nullptr;
}

}  // namespace zrflash::platform::linux_port
