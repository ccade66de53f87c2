// The virtual HID bus: the interfaces of the simulated devices that are plugged in, their input
// reports, and the device-change notification a plug or unplug raises through the GUI loop.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace zrflash::sim {

// How an interface lets itself be opened.
enum class OpenMode {
    ReadWrite,
    QueryOnly,  // held exclusively by the system, as keyboards and mice are
    Never,
};

struct BusInterfaceOptions {
    OpenMode openMode = OpenMode::ReadWrite;
    bool attributesReadable = true;
    // 0: a fresh device instance number; otherwise that one (a device back in the same port).
    std::uint32_t instance = 0;
    std::u16string className = u"HIDClass";
};

// One interface on the bus. Fields other than the identity change only on the GUI thread; the
// input queue and plugged are guarded by the bus's mutex (an input reader waits on them).
struct BusInterface {
    SimDevice* device = nullptr;
    SimDeviceIdentity identity;
    std::uint32_t instance = 0;
    std::u16string path;
    BusInterfaceOptions options;
    bool plugged = true;
    std::deque<std::vector<std::uint8_t>> input;
};

class VirtualHidBus : public SimDeviceHost {
public:
    using PostFunction = std::function<void(std::function<void()>)>;
    using ElapseFunction = std::function<void(int milliseconds)>;

    // post runs work later on the GUI thread (the GUI's Post; a queue in tests); elapse lets
    // time pass (the system's sleep).
    VirtualHidBus(PostFunction post, ElapseFunction elapse);
    ~VirtualHidBus() override;

    // Plugs a device in as one HID interface and raises the notification; the instance number.
    std::uint32_t Plug(SimDevice& device, BusInterfaceOptions options = {});
    // Takes the device off the bus: its interface vanishes from enumeration and its transfers
    // fail from now on; open handles stay as they are.
    void Unplug(SimDevice& device) override;
    void Elapse(int milliseconds) override;
    // A device node without a HID interface came or went: a notification and nothing else.
    void ChangeOtherDevice();

    // Fault hooks.
    void SetEnumerationFails(bool fails) { FEnumerationFails = fails; }
    bool SetOpenMode(SimDevice& device, OpenMode mode);
    bool SetAttributesReadable(SimDevice& device, bool readable);

    // Queues an input report (report ID first) from a plugged-in device.
    bool SendInputReport(SimDevice& device, std::span<const std::uint8_t> report);
    bool IsPlugged(const SimDevice& device) const;

    // For the HID system port over this bus.
    std::optional<std::vector<std::shared_ptr<BusInterface>>> Present() const;
    std::shared_ptr<BusInterface> FindByPath(const std::u16string& path) const;
    void SetDeviceChangeListener(std::function<void()> listener);
    void Post(std::function<void()> work) { FPost(std::move(work)); }
    std::mutex& Mutex() const { return FMutex; }
    std::condition_variable& InputArrived() const { return FInputArrived; }

private:
    std::shared_ptr<BusInterface> FindPlugged(const SimDevice& device) const;
    void RaiseDeviceChange();

    PostFunction FPost;
    ElapseFunction FElapse;
    std::vector<std::shared_ptr<BusInterface>> FInterfaces;
    std::uint32_t FNextInstance = 1;
    bool FEnumerationFails = false;
    // Posted notifications reach the listener only while it is still set.
    std::shared_ptr<std::function<void()>> FListener;
    mutable std::mutex FMutex;
    mutable std::condition_variable FInputArrived;
};

}  // namespace zrflash::sim
