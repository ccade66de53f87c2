// The input reader's loop: overlapped reads, paced by the device's timing, results posted to
// the GUI thread (where the device may already be gone, so the post checks first).
#include "hid/THidDeviceReadThread.h"

#include <algorithm>
#include <chrono>

#include "hid/THidDevice.h"

namespace zrflash::hid {

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device, std::size_t reportLength)
    : Device(device),
      FSystem(device.FSystem),
      FReadHandle(device.FHidOverlappedRead),
      FDeviceAlive(device.FAlive),
      Report(reportLength) {
    FThread = std::thread([this] { Execute(); });
}

THidDeviceReadThread::~THidDeviceReadThread() { Stop(); }

void THidDeviceReadThread::Stop() {
    {
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
}

bool THidDeviceReadThread::Pause(int milliseconds) {
    std::unique_lock lock(FMutex);
    FWake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return FStop; });
    return !FStop;
}

void THidDeviceReadThread::Execute() {
    while (Pause(0)) {
        std::fill(Report.begin(), Report.end(), std::uint8_t{0});
        if (!FSystem.StartRead(FReadHandle, Report)) {
            FErr = FSystem.LastError();
            PostError();
            Pause(Device.FThreadSleepTime);
            continue;
        }
        bool completed = false;
        while (!completed && Pause(0)) completed = FSystem.WaitForTransfer(FReadHandle, Device.FThreadSleepTime);
        if (!completed) {
            FSystem.CancelIo(FReadHandle);
            break;
        }
        NumBytesRead = FSystem.TransferResult(FReadHandle);
        if (NumBytesRead != 0) PostData(std::min<std::size_t>(NumBytesRead, Report.size()));
        const int delay = Device.FPollingDelayTime;
        if (delay > 0) Pause(delay);
    }
}

void THidDeviceReadThread::PostData(std::size_t count) {
    std::vector<std::uint8_t> copy(Report.begin(), Report.begin() + static_cast<std::ptrdiff_t>(count));
    FSystem.PostToGuiThread([alive = FDeviceAlive, report = std::move(copy)]() mutable {
        if (auto device = alive.lock()) (*device)->DeliverData(std::move(report));
    });
}

void THidDeviceReadThread::PostError() {
    FSystem.PostToGuiThread([alive = FDeviceAlive, error = FErr.load()] {
        if (auto device = alive.lock()) (*device)->DeliverDataError(error);
    });
}

}  // namespace zrflash::hid
