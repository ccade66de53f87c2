// A device that answers feature reports with whatever its byte source says.
#include "tests/protocol/RandomDevice.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zrflash::protocol::test {

RandomDevice::RandomDevice(ByteSource& source) : source_(source) {
    static constexpr std::array<int, 8> lengths = {19, 19, 19, 19, 17, 1, 20, 64};
    identity_.vendorId = 0xFF4D;
    identity_.productId = 0xF542;
    identity_.featureReportLength = lengths[source_.Below(lengths.size())];
    identity_.manufacturer = u"Random";
    identity_.product = u"Device";
}

// One transfer in 64 takes the device off the bus; every later one fails.
bool RandomDevice::Reachable() {
    if (host_ != nullptr && source_.Below(64) == 0) {
        std::exchange(host_, nullptr)->Unplug(*this);
    }
    return host_ != nullptr;
}

bool RandomDevice::SetFeature(std::span<const std::uint8_t> report) {
    ++setCalls_;
    largest_ = std::max(largest_, report.size());
    if (!Reachable() || source_.Below(6) == 0) return false;
    lastRequest_.assign(report.begin(), report.end());
    return true;
}

bool RandomDevice::GetFeature(std::span<std::uint8_t> report) {
    ++getCalls_;
    largest_ = std::max(largest_, report.size());
    if (!Reachable() || source_.Below(5) == 0) return false;
    // Mostly the whole buffer, sometimes any shorter part of it.
    const std::size_t filled = source_.Below(4) != 0 ? report.size() : source_.Below(static_cast<unsigned>(report.size()) + 1);
    switch (source_.Below(4)) {
    case 0:  // random bytes, status included
        for (std::size_t i = 0; i < filled; ++i) report[i] = source_.Next();
        break;
    case 1:  // busy
        for (std::size_t i = 0; i < filled; ++i) report[i] = 0;
        if (filled > 18) report[18] = static_cast<std::uint8_t>(1 + source_.Below(255));
        break;
    default:  // the request echoed and done, now and then with one byte changed
        for (std::size_t i = 0; i < filled; ++i) report[i] = i < lastRequest_.size() ? lastRequest_[i] : 0;
        if (filled > 18) report[18] = 0;
        if (filled > 3 && source_.Below(3) == 0) report[3 + source_.Below(static_cast<unsigned>(filled) - 3)] ^= 0x5A;
        break;
    }
    if (filled > 0) report[0] = 0;
    return true;
}

}  // namespace zrflash::protocol::test
