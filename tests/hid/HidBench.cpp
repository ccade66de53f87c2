// The bench the HID layer's tests drive.
#include "tests/hid/HidBench.h"

namespace zrflash::hid::test {

void PostQueue::Post(std::function<void()> work) {
    std::lock_guard lock(FMutex);
    FWork.push_back(std::move(work));
}

int PostQueue::RunPending() {
    int ran = 0;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(FMutex);
            if (FWork.empty()) return ran;
            work = std::move(FWork.front());
            FWork.pop_front();
        }
        work();
        ++ran;
    }
}

FeatureDevice::FeatureDevice(std::uint16_t productId, std::uint16_t vendorId, int featureReportLength,
                             int inputReportLength) {
    FIdentity.vendorId = vendorId;
    FIdentity.productId = productId;
    FIdentity.featureReportLength = featureReportLength;
    FIdentity.inputReportLength = inputReportLength;
    FIdentity.manufacturer = u"Maker";
    FIdentity.product = u"Tweezers";
    FIdentity.serialNumber = u"SN0001";
}

bool FeatureDevice::SetFeature(std::span<const std::uint8_t> report) {
    setSizes.push_back(report.size());
    return FHost != nullptr;
}

bool FeatureDevice::GetFeature(std::span<std::uint8_t> report) {
    getSizes.push_back(report.size());
    for (std::size_t i = 0; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(i);
    return FHost != nullptr;
}

HidBench::HidBench()
    : bus([this](std::function<void()> work) { queue.Post(std::move(work)); },
          [this](int milliseconds) { elapsed += milliseconds; }),
      system(bus) {}

HidBench::~HidBench() { controller.reset(); }

void HidBench::Start(THidControllerProperties extra) {
    auto instance = [](THidDevice& device) { return std::to_string(device.PnPInfo().DeviceID()); };
    if (!extra.OnDeviceUnplug)
        extra.OnDeviceUnplug = [this, instance](THidDevice& HidDev) { log.push_back("unplug:" + instance(HidDev)); };
    if (!extra.OnRemoval)
        extra.OnRemoval = [this, instance](THidDevice& HidDev) { log.push_back("removal:" + instance(HidDev)); };
    if (!extra.OnArrival)
        extra.OnArrival = [this, instance](THidDevice& HidDev) { log.push_back("arrival:" + instance(HidDev)); };
    if (!extra.OnDeviceChange)
        extra.OnDeviceChange = [this](THidDeviceController&) { log.push_back("change"); };
    controller = std::make_unique<THidDeviceController>(system, std::move(extra));
    queue.RunPending();
}

std::vector<std::string> HidBench::Run() {
    queue.RunPending();
    return TakeLog();
}

std::vector<std::string> HidBench::TakeLog() {
    std::vector<std::string> taken;
    taken.swap(log);
    return taken;
}

THidDevice* HidBench::Find(std::uint32_t instance) const {
    for (std::size_t i = 0; i < controller->Count(); ++i) {
        THidDevice& device = controller->Device(i);
        if (device.PnPInfo().DeviceID() == instance && device.IsPluggedIn()) return &device;
    }
    return nullptr;
}

}  // namespace zrflash::hid::test
