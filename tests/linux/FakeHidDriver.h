// A stand-in for udev and the hidraw device nodes: interfaces a test plugs in, with report
// descriptors, permissions, input reports, feature reports answered by a simulated device, and
// the hot-plug monitor.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/LinuxHidDriver.h"
#include "sim/SimDevice.h"

namespace zrflash::test {

using platform::linux_port::HidrawInfo;
using platform::linux_port::HidrawNode;
using platform::linux_port::HidrawOpenMode;

enum class NodePermission { ReadWrite, ReadOnly, None };

struct FakeNode {
    HidrawNode node;
    std::vector<std::uint8_t> descriptor;
    NodePermission permission = NodePermission::ReadWrite;
    sim::SimDevice* device = nullptr;              // answers feature reports when set
    std::deque<std::vector<std::uint8_t>> input;  // as the kernel hands them over
    int featureError = 0;                          // an errno every feature transfer fails with
    bool plugged = true;
};

// The report descriptor of the instrument: vendor page 0xFF00, one 18-byte feature report, no IDs.
const std::vector<std::uint8_t>& InstrumentDescriptor();

class FakeHidDriver final : public platform::linux_port::LinuxHidDriver, public sim::SimDeviceHost {
public:
    // Plugs an interface in (a monitor event follows); the node's sysfs path names its plugging.
    FakeNode& Plug(const std::string& devnode, const std::string& syspath, std::uint16_t vendorId,
                   std::uint16_t productId, std::vector<std::uint8_t> descriptor, sim::SimDevice* device = nullptr);
    // Takes it off: gone from the list, its open descriptors fail from now on.
    void Unplug(const std::string& devnode);
    FakeNode* Node(const std::string& devnode);

    bool available = true;
    bool enumerationFails = false;
    bool monitorFails = false;
    int pendingMonitorEvents = 0;
    bool monitorOpen = false;
    std::function<void(int)> elapse;  // time passing for a simulated device's transfers
    // Every feature transfer as the kernel received it: the buffer length and, for sends, the bytes.
    std::vector<std::vector<std::uint8_t>> sentFeatures;
    std::vector<std::size_t> featureRequestLengths;
    int OpenDescriptors() const { return static_cast<int>(open_.size()); }

    bool Available() override { return available; }
    std::optional<std::vector<HidrawNode>> Enumerate() override;
    int Open(const std::string& devnode, HidrawOpenMode mode) override;
    void Close(int descriptor) override;
    int GetInfo(int descriptor, HidrawInfo& info) override;
    int GetReportDescriptor(int descriptor, std::vector<std::uint8_t>& bytes) override;
    int SetFeature(int descriptor, std::span<const std::uint8_t> report) override;
    int GetFeature(int descriptor, std::span<std::uint8_t> report) override;
    int GetInput(int descriptor, std::span<std::uint8_t> report) override;
    int SetOutput(int descriptor, std::span<const std::uint8_t> report) override;
    int Read(int descriptor, std::span<std::uint8_t> buffer, int timeoutMs) override;
    int Write(int descriptor, std::span<const std::uint8_t> buffer) override;
    int OpenMonitor() override;
    bool DrainMonitor() override;
    void CloseMonitor() override { monitorOpen = false; }

    // SimDeviceHost: a simulated device may unplug itself and lets time pass.
    void Unplug(sim::SimDevice& device) override;
    void Elapse(int milliseconds) override;

    static constexpr int kMonitorDescriptor = 99;

private:
    FakeNode* Reachable(int descriptor, int& error);

    std::vector<FakeNode> nodes_;  // in plugging order, unplugged ones kept for their descriptors
    std::map<int, std::string> open_;
    int nextDescriptor_ = 3;
};

}  // namespace zrflash::test
