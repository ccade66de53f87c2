// A stand-in for udev and the hidraw device nodes (see FakeHidDriver.h).
#include "FakeHidDriver.h"

#include <algorithm>
#include <cerrno>

namespace zrflash::test {

const std::vector<std::uint8_t>& InstrumentDescriptor() {
    static const std::vector<std::uint8_t> descriptor = {
        0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x12,        //   Report Count (18)
        0x09, 0x01,        //   Usage (1)
        0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    return descriptor;
}

FakeNode& FakeHidDriver::Plug(const std::string& devnode, const std::string& syspath, std::uint16_t vendorId,
                              std::uint16_t productId, std::vector<std::uint8_t> descriptor, sim::SimDevice* device) {
    FakeNode node;
    node.node.devnode = devnode;
    node.node.syspath = syspath;
    node.node.bus = 3;
    node.node.vendorId = vendorId;
    node.node.productId = productId;
    node.descriptor = std::move(descriptor);
    node.device = device;
    if (device != nullptr) device->AttachHost(this);
    nodes_.push_back(std::move(node));
    ++pendingMonitorEvents;
    return nodes_.back();
}

void FakeHidDriver::Unplug(const std::string& devnode) {
    for (auto& node : nodes_) {
        if (node.node.devnode != devnode || !node.plugged) continue;
        node.plugged = false;
        if (node.device != nullptr) node.device->AttachHost(nullptr);
        ++pendingMonitorEvents;
    }
}

void FakeHidDriver::Unplug(sim::SimDevice& device) {
    for (auto& node : nodes_) {
        if (node.device == &device && node.plugged) Unplug(node.node.devnode);
    }
}

void FakeHidDriver::Elapse(int milliseconds) {
    if (elapse) elapse(milliseconds);
}

FakeNode* FakeHidDriver::Node(const std::string& devnode) {
    // The newest plugging of that node counts: the kernel reuses hidraw numbers.
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
        if (it->node.devnode == devnode) return &*it;
    }
    return nullptr;
}

std::optional<std::vector<HidrawNode>> FakeHidDriver::Enumerate() {
    if (enumerationFails) return std::nullopt;
    std::vector<HidrawNode> present;
    for (const auto& node : nodes_) {
        if (node.plugged) present.push_back(node.node);
    }
    return present;
}

int FakeHidDriver::Open(const std::string& devnode, HidrawOpenMode mode) {
    FakeNode* node = Node(devnode);
    if (node == nullptr || !node->plugged) return -ENOENT;
    if (node->permission == NodePermission::None ||
        (node->permission == NodePermission::ReadOnly && mode == HidrawOpenMode::ReadWrite)) {
        return -EACCES;
    }
    open_[nextDescriptor_] = devnode + "#" + node->node.syspath;
    return nextDescriptor_++;
}

void FakeHidDriver::Close(int descriptor) { open_.erase(descriptor); }

FakeNode* FakeHidDriver::Reachable(int descriptor, int& error) {
    auto found = open_.find(descriptor);
    if (found == open_.end()) {
        error = -EBADF;
        return nullptr;
    }
    const auto separator = found->second.find('#');
    const std::string syspath = found->second.substr(separator + 1);
    for (auto& node : nodes_) {
        if (node.node.syspath != syspath) continue;
        if (!node.plugged) break;
        return &node;
    }
    error = -ENODEV;
    return nullptr;
}

int FakeHidDriver::GetInfo(int descriptor, HidrawInfo& info) {
    int error = 0;
    FakeNode* node = Reachable(descriptor, error);
    if (node == nullptr) return error;
    info = {node->node.bus, node->node.vendorId, node->node.productId};
    return 0;
}

int FakeHidDriver::GetReportDescriptor(int descriptor, std::vector<std::uint8_t>& bytes) {
    int error = 0;
    FakeNode* node = Reachable(descriptor, error);
    if (node == nullptr) return error;
    bytes = node->descriptor;
    return 0;
}

int FakeHidDriver::SetFeature(int descriptor, std::span<const std::uint8_t> report) {
    int error = 0;
    FakeNode* node = Reachable(descriptor, error);
    if (node == nullptr) return error;
    featureRequestLengths.push_back(report.size());
    sentFeatures.emplace_back(report.begin(), report.end());
    if (node->featureError != 0) return -node->featureError;
    if (node->device == nullptr || !node->device->SetFeature(report)) return -EPIPE;
    return static_cast<int>(report.size());
}

int FakeHidDriver::GetFeature(int descriptor, std::span<std::uint8_t> report) {
    int error = 0;
    FakeNode* node = Reachable(descriptor, error);
    if (node == nullptr) return error;
    featureRequestLengths.push_back(report.size());
    if (node->featureError != 0) return -node->featureError;
    if (node->device == nullptr || !node->device->GetFeature(report)) return -EPIPE;
    return static_cast<int>(report.size());
}

int FakeHidDriver::GetInput(int descriptor, std::span<std::uint8_t>) {
    int error = 0;
    return Reachable(descriptor, error) == nullptr ? error : -EPIPE;
}

int FakeHidDriver::SetOutput(int descriptor, std::span<const std::uint8_t>) {
    int error = 0;
    return Reachable(descriptor, error) == nullptr ? error : -EPIPE;
}

int FakeHidDriver::Read(int descriptor, std::span<std::uint8_t> buffer, int) {
    int error = 0;
    FakeNode* node = Reachable(descriptor, error);
    if (node == nullptr) return error;
    if (node->input.empty()) return -ETIMEDOUT;
    const auto report = node->input.front();
    node->input.pop_front();
    const std::size_t count = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), count, buffer.begin());
    return static_cast<int>(count);
}

int FakeHidDriver::Write(int descriptor, std::span<const std::uint8_t> buffer) {
    int error = 0;
    return Reachable(descriptor, error) == nullptr ? error : static_cast<int>(buffer.size());
}

int FakeHidDriver::OpenMonitor() {
    if (monitorFails) return -ENODEV;
    monitorOpen = true;
    pendingMonitorEvents = 0;  // only what happens from now on is reported
    return kMonitorDescriptor;
}

bool FakeHidDriver::DrainMonitor() {
    const bool any = monitorOpen && pendingMonitorEvents > 0;
    pendingMonitorEvents = 0;
    return any;
}

}  // namespace zrflash::test
