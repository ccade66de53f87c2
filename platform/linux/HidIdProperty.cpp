// The HID_ID property udev gives a HID device: "bus:vendor:product" in hexadecimal.
#include "platform/linux/HidIdProperty.h"

#include <charconv>
#include <cstdint>

namespace zrflash::platform::linux_port {
namespace {

bool HexField(std::string_view field, std::uint32_t maximum, std::uint32_t& value) {
    if (field.empty() || field.size() > 8) return false;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    return error == std::errc() && end == field.data() + field.size() && value <= maximum;
}

}  // namespace

bool ParseHidId(std::string_view text, HidrawInfo& info) {
    const auto first = text.find(':');
    const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    std::uint32_t bus = 0, vendor = 0, product = 0;
    if (!HexField(text.substr(0, first), 0xFFFF, bus) ||
        !HexField(text.substr(first + 1, second - first - 1), 0xFFFF, vendor) ||
        !HexField(text.substr(second + 1), 0xFFFF, product)) {
        return false;
    }
    info = {bus, static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)};
    return true;
}

}  // namespace zrflash::platform::linux_port
