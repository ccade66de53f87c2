// The HID port's transfers: feature, input and output reports, input reads for the reader
// thread, and the device strings udev knows.
#include "platform/linux/LinuxHidSystem.h"

#include <algorithm>
#include <cerrno>

#include "platform/linux/HidDescriptorParser.h"
#include "platform/linux/LinuxHidOpenHandle.h"
#include "platform/linux/PlatformErrorCode.h"
#include "platform/linux/Utf.h"

namespace zrflash::platform::linux_port {

using namespace zrflash::hid;

namespace {

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorInvalidParameter = 87;
// hidraw keeps this many input reports per open file, and the number cannot be changed.
constexpr int kHidrawInputBuffers = 64;
// A synchronous read gives up rather than hang the GUI thread on a device that never reports.
constexpr int kSynchronousReadTimeoutMs = 5000;

bool CopyText(const std::string& source, std::span<char16_t> text) {
    const std::u16string wide = Utf8ToUtf16(source);
    const std::size_t count = std::min(wide.size(), text.size());
    std::copy_n(wide.begin(), count, text.begin());
    if (count < text.size()) text[count] = 0;
    return true;
}

}  // namespace

std::shared_ptr<LinuxHidSystem::OpenHandle> LinuxHidSystem::Writable(HidHandle handle) {
    auto open = Find(handle);
    if (!open) return nullptr;
    // A query-only handle is good for identification, never for reports.
    if (open->access == HidAccess::QueryOnly) {
        FailWith(kErrorAccessDenied);
        return nullptr;
    }
    return open;
}

bool LinuxHidSystem::SetFeature(HidHandle handle, std::span<const std::uint8_t> report) {
    auto open = Writable(handle);
    if (!open) return false;
    if (report.empty()) return FailWith(kErrorInvalidParameter);
    return !Failed(driver_.SetFeature(open->descriptor, report));
}

bool LinuxHidSystem::GetFeature(HidHandle handle, std::span<std::uint8_t> report) {
    auto open = Writable(handle);
    if (!open) return false;
    if (report.empty()) return FailWith(kErrorInvalidParameter);
    const int received = driver_.GetFeature(open->descriptor, report);
    if (Failed(received)) return false;
    // A shorter answer must not leave the caller's previous bytes looking like device data.
    if (static_cast<std::size_t>(received) < report.size()) {
        std::fill(report.begin() + received, report.end(), std::uint8_t{0});
    }
    return true;
}

bool LinuxHidSystem::GetInputReport(HidHandle handle, std::span<std::uint8_t> report) {
    auto open = Writable(handle);
    if (!open) return false;
    if (report.empty()) return FailWith(kErrorInvalidParameter);
    const int received = driver_.GetInput(open->descriptor, report);
    if (Failed(received)) return false;
    if (static_cast<std::size_t>(received) < report.size()) {
        std::fill(report.begin() + received, report.end(), std::uint8_t{0});
    }
    return true;
}

bool LinuxHidSystem::SetOutputReport(HidHandle handle, std::span<const std::uint8_t> report) {
    auto open = Writable(handle);
    if (!open) return false;
    if (report.empty()) return FailWith(kErrorInvalidParameter);
    return !Failed(driver_.SetOutput(open->descriptor, report));
}

bool LinuxHidSystem::GetNumInputBuffers(HidHandle handle, int& count) {
    if (!Find(handle)) return false;
    count = kHidrawInputBuffers;
    return true;
}

bool LinuxHidSystem::SetNumInputBuffers(HidHandle handle, int) {
    if (Find(handle)) FailWith(PlatformErrorCode(EOPNOTSUPP));
    return false;
}

bool LinuxHidSystem::FlushQueue(HidHandle handle) {
    auto open = Find(handle);
    if (!open) return false;
    std::vector<std::uint8_t> discard(4096);
    while (driver_.Read(open->descriptor, discard, 0) > 0) {
    }
    return true;
}

bool LinuxHidSystem::GetConfiguration(HidHandle handle, HidConfiguration&) {
    if (Find(handle)) FailWith(kErrorNotSupported);
    return false;
}

bool LinuxHidSystem::SetConfiguration(HidHandle handle, const HidConfiguration&) {
    if (Find(handle)) FailWith(kErrorNotSupported);
    return false;
}

bool LinuxHidSystem::GetString(HidHandle handle, HidStringKind kind, std::uint32_t, std::span<char16_t> text) {
    auto open = Find(handle);
    if (!open) return false;
    std::string value;
    {
        std::lock_guard lock(mutex_);
        auto found = present_.find(open->devnode);
        if (found != present_.end()) {
            const HidrawNode& node = found->second;
            switch (kind) {
                case HidStringKind::Manufacturer: value = node.manufacturer; break;
                case HidStringKind::Product: value = node.product.empty() ? node.name : node.product; break;
                case HidStringKind::SerialNumber: value = node.serial.empty() ? node.unique : node.serial; break;
                // hidraw gives no access to string descriptors by index or to the language list.
                case HidStringKind::Indexed: break;
            }
        }
    }
    if (value.empty()) return FailWith(kErrorNotSupported);
    return CopyText(value, text);
}

bool LinuxHidSystem::GetPhysicalDescriptor(HidHandle handle, std::span<std::uint16_t>) {
    if (Find(handle)) FailWith(kErrorNotSupported);
    return false;
}

int LinuxHidSystem::ReadReport(OpenHandle& open, std::span<std::uint8_t> buffer, int timeoutMs) {
    if (!open.usesReportIds) {
        std::vector<std::uint8_t> descriptor;
        open.usesReportIds =
            driver_.GetReportDescriptor(open.descriptor, descriptor) >= 0 && ParseHidDescriptor(descriptor).usesReportIds;
    }
    if (*open.usesReportIds) return driver_.Read(open.descriptor, buffer, timeoutMs);
    if (buffer.empty()) return -EINVAL;
    // Without report IDs the kernel leaves the ID byte out; Windows puts a 0 in its place.
    const int received = driver_.Read(open.descriptor, buffer.subspan(1), timeoutMs);
    if (received < 0) return received;
    buffer[0] = 0;
    return received + 1;
}

bool LinuxHidSystem::ReadFile(HidHandle handle, std::span<std::uint8_t> buffer, std::uint32_t& transferred) {
    transferred = 0;
    auto open = Writable(handle);
    if (!open) return false;
    std::lock_guard lock(open->mutex);
    const int received = ReadReport(*open, buffer, kSynchronousReadTimeoutMs);
    if (Failed(received)) return false;
    transferred = static_cast<std::uint32_t>(received);
    return true;
}

bool LinuxHidSystem::WriteFile(HidHandle handle, std::span<const std::uint8_t> buffer, std::uint32_t& transferred) {
    transferred = 0;
    auto open = Writable(handle);
    if (!open) return false;
    const int written = driver_.Write(open->descriptor, buffer);
    if (Failed(written)) return false;
    transferred = static_cast<std::uint32_t>(written);
    return true;
}

bool LinuxHidSystem::DeviceIoControl(HidHandle handle, std::uint32_t, std::span<const std::uint8_t>,
                                     std::span<std::uint8_t>, std::uint32_t& returned) {
    returned = 0;
    if (Find(handle)) FailWith(kErrorNotSupported);
    return false;
}

bool LinuxHidSystem::StartRead(HidHandle handle, std::span<std::uint8_t> buffer) {
    auto open = Find(handle);
    if (!open) return false;
    if (open->access != HidAccess::OverlappedRead) return FailWith(kErrorInvalidHandle);
    if (buffer.empty()) return FailWith(kErrorInvalidParameter);
    std::lock_guard lock(open->mutex);
    if (open->gone) return FailWith(kErrorDeviceNotConnected);
    open->pendingBuffer = buffer;
    open->pending = true;
    open->result = 0;
    return true;
}

bool LinuxHidSystem::StartWrite(HidHandle handle, std::span<const std::uint8_t>) {
    auto open = Find(handle);
    if (!open) return false;
    FailWith(open->access == HidAccess::OverlappedWrite ? kErrorNotSupported : kErrorInvalidHandle);
    return false;
}

bool LinuxHidSystem::WaitForTransfer(HidHandle handle, int milliseconds) {
    auto open = Find(handle);
    if (!open) return false;
    std::lock_guard lock(open->mutex);
    if (!open->pending) return false;
    const int received = ReadReport(*open, open->pendingBuffer, std::max(milliseconds, 0));
    if (received == -ETIMEDOUT) return false;
    open->pending = false;
    if (received < 0) {
        // The transfer is over, with nothing moved; the next one fails at once.
        open->gone = true;
        open->result = 0;
        FailWith(PlatformErrorCode(-received));
        return true;
    }
    open->result = static_cast<std::uint32_t>(received);
    return true;
}

std::uint32_t LinuxHidSystem::TransferResult(HidHandle handle) {
    auto open = Find(handle);
    if (!open) return 0;
    std::lock_guard lock(open->mutex);
    return open->pending ? 0 : open->result;
}

bool LinuxHidSystem::CancelIo(HidHandle handle) {
    auto open = Find(handle);
    if (!open) return false;
    std::lock_guard lock(open->mutex);
    open->pending = false;
    open->result = 0;
    return true;
}

}  // namespace zrflash::platform::linux_port
