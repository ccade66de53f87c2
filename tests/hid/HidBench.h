// A controller on the virtual bus with a queue standing in for the GUI loop, a feature-report
// device that records what reaches it, and a log of the controller's events.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "hid/THidDeviceController.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::hid::test {

// Posted work, run when the test lets the "loop" run; posting is thread-safe.
class PostQueue {
public:
    void Post(std::function<void()> work);
    // Runs posted work (also work posted meanwhile) until none is left; how many ran.
    int RunPending();

private:
    std::mutex FMutex;
    std::deque<std::function<void()>> FWork;
};

// A device with feature reports (the instrument's identifiers and report length by default)
// that records the size of every transfer reaching it.
class FeatureDevice : public sim::SimDevice {
public:
    explicit FeatureDevice(std::uint16_t productId = 0xF542, std::uint16_t vendorId = 0xFF4D,
                           int featureReportLength = 19, int inputReportLength = 0);
    sim::SimDeviceIdentity Identity() const override { return FIdentity; }
    void AttachHost(sim::SimDeviceHost* host) override { FHost = host; }
    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> report) override;

    sim::SimDeviceIdentity FIdentity;
    sim::SimDeviceHost* FHost = nullptr;
    std::vector<std::size_t> setSizes;
    std::vector<std::size_t> getSizes;
};

struct HidBench {
    HidBench();
    ~HidBench();

    // Builds the controller with handlers that log "unplug:N", "removal:N", "arrival:N" and
    // "change" (N = device instance number), then lets the loop run.
    void Start(THidControllerProperties extra = {});
    // Lets the loop run; the log since the last call.
    std::vector<std::string> Run();
    std::vector<std::string> TakeLog();
    THidDevice* Find(std::uint32_t instance) const;

    PostQueue queue;
    int elapsed = 0;
    sim::VirtualHidBus bus;
    sim::SimHidSystem system;
    std::unique_ptr<THidDeviceController> controller;
    std::vector<std::string> log;
};

}  // namespace zrflash::hid::test
