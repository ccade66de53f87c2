// One simulated device as a real kernel HID device through /dev/uhid.
#include "sim/uhid/UhidDevice.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/linux/Utf.h"

namespace zrflash::sim::uhid {

UhidDeviceSetup SetupFor(const SimDevice& device, std::vector<std::uint8_t> descriptor, std::string physical) {
    const SimDeviceIdentity identity = device.Identity();
    UhidDeviceSetup setup;
    setup.name = platform::linux_port::Utf16ToUtf8(identity.manufacturer);
    if (!identity.product.empty()) {
        if (!setup.name.empty()) setup.name += ' ';
        setup.name += platform::linux_port::Utf16ToUtf8(identity.product);
    }
    setup.physical = std::move(physical);
    setup.unique = platform::linux_port::Utf16ToUtf8(identity.serialNumber);
    setup.descriptor = std::move(descriptor);
    return setup;
}

UhidDevice::UhidDevice(SimDevice& device, UhidDeviceSetup setup) : device_(device), setup_(std::move(setup)) {}

UhidDevice::~UhidDevice() { Unplug(); }

bool UhidDevice::Plug(std::string& error) {
    Unplug();
    descriptor_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (descriptor_ < 0) {
        error = std::string("/dev/uhid: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        ::close(descriptor_);
        descriptor_ = -1;
        return false;
    }
    const SimDeviceIdentity identity = device_.Identity();
    uhid_event create{};
    create.type = UHID_CREATE2;
    auto& request = create.u.create2;
    std::strncpy(reinterpret_cast<char*>(request.name), setup_.name.c_str(), sizeof request.name - 1);
    std::strncpy(reinterpret_cast<char*>(request.phys), setup_.physical.c_str(), sizeof request.phys - 1);
    std::strncpy(reinterpret_cast<char*>(request.uniq), setup_.unique.c_str(), sizeof request.uniq - 1);
    request.bus = static_cast<std::uint16_t>(setup_.bus);
    request.vendor = identity.vendorId;
    request.product = identity.productId;
    request.version = identity.versionNumber;
    request.rd_size = static_cast<std::uint16_t>(std::min(setup_.descriptor.size(), sizeof request.rd_data));
    std::memcpy(request.rd_data, setup_.descriptor.data(), request.rd_size);
    {
        std::lock_guard lock(deviceMutex_);
        unplugRequested_ = false;
        device_.AttachHost(this);
    }
    if (!WriteEvent(create)) {
        error = std::string("UHID_CREATE2: ") + std::strerror(errno);
        {
            std::lock_guard lock(deviceMutex_);
            device_.AttachHost(nullptr);
        }
        Join();
        return false;
    }
    transfers_ = 0;
    plugged_ = true;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void UhidDevice::Unplug() {
    if (descriptor_ < 0) return;
    if (plugged_) {
        std::lock_guard lock(deviceMutex_);
        Destroy();
        device_.AttachHost(nullptr);
    }
    Join();
}

bool UhidDevice::SendInput(std::span<const std::uint8_t> report) {
    if (!plugged_) return false;
    uhid_event input{};
    input.type = UHID_INPUT2;
    input.u.input2.size = static_cast<std::uint16_t>(std::min(report.size(), sizeof input.u.input2.data));
    std::memcpy(input.u.input2.data, report.data(), input.u.input2.size);
    return WriteEvent(input);
}

void UhidDevice::Unplug(SimDevice&) { unplugRequested_ = true; }

void UhidDevice::Elapse(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void UhidDevice::Serve() {
    pollfd watched[2] = {{descriptor_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    while (plugged_) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        if ((watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return;
        if ((watched[0].revents & POLLIN) == 0) continue;
        uhid_event event{};
        const ssize_t got = ::read(descriptor_, &event, sizeof event);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < static_cast<ssize_t>(sizeof event.type)) return;
        if (event.type == UHID_GET_REPORT || event.type == UHID_SET_REPORT) {
            if (!Answer(event)) return;
        }
    }
}

// Answers one feature transfer. uhid hands hidraw's buffer over as it stands, report number
// first, and gives the answer back the same way: for a device without report IDs the number is
// 0 and the answer is 1 + 18 bytes, just what usbhid makes of a real instrument's 18.
bool UhidDevice::Answer(const uhid_event& request) {
    std::lock_guard lock(deviceMutex_);
    ++transfers_;
    uhid_event reply{};
    bool succeeded = false;
    if (request.type == UHID_GET_REPORT) {
        const auto& get = request.u.get_report;
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = get.id;
        const int length = device_.Identity().featureReportLength;
        if (get.rtype == UHID_FEATURE_REPORT && length > 0) {
            std::uint8_t* data = reply.u.get_report_reply.data;
            data[0] = get.rnum;
            succeeded = device_.GetFeature(std::span<std::uint8_t>(data, static_cast<std::size_t>(length)));
            reply.u.get_report_reply.size = succeeded ? static_cast<std::uint16_t>(length) : 0;
        }
        reply.u.get_report_reply.err = succeeded ? 0 : EIO;
    } else {
        const auto& set = request.u.set_report;
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = set.id;
        if (set.rtype == UHID_FEATURE_REPORT) {
            const std::size_t size = std::min<std::size_t>(set.size, sizeof set.data);
            succeeded = device_.SetFeature(std::span<const std::uint8_t>(set.data, size));
        }
        reply.u.set_report_reply.err = succeeded ? 0 : EIO;
    }
    if (unplugRequested_) {
        // Gone before answering: the kernel fails the waiting transfer, then removes the device.
        Destroy();
        device_.AttachHost(nullptr);
        return false;
    }
    return WriteEvent(reply);
}

bool UhidDevice::WriteEvent(const uhid_event& event) {
    std::lock_guard lock(writeMutex_);
    return ::write(descriptor_, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

void UhidDevice::Destroy() {
    if (!plugged_.exchange(false)) return;
    uhid_event destroy{};
    destroy.type = UHID_DESTROY;
    WriteEvent(destroy);
}

void UhidDevice::Join() {
    if (stopPipe_[1] >= 0) {
        const char stop = 's';
        [[maybe_unused]] const auto written = ::write(stopPipe_[1], &stop, 1);
    }
    if (thread_.joinable()) thread_.join();
    for (int& end : stopPipe_) {
        if (end >= 0) ::close(end);
        end = -1;
    }
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
}

}  // namespace zrflash::sim::uhid
