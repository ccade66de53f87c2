// Which HID devices are the instrument, and what each model brings with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zrflash::instrument {

inline constexpr std::uint16_t kInstrumentVendorId = 0xFF4D;

struct InstrumentModel {
    std::uint8_t code;                  // 12 or 14
    std::u16string_view suffix;         // "12" or "14", in captions and log lines
    std::u16string_view captionPrefix;  // followed by the suffix
};

// The model of a device with these identifiers, or nothing for any other device.
std::optional<InstrumentModel> ModelOf(std::uint16_t vendorId, std::uint16_t productId);

// The line logged when the instrument of that suffix comes or goes.
std::u16string ConnectedLine(std::u16string_view suffix);
std::u16string DisconnectedLine(std::u16string_view suffix);

}  // namespace zrflash::instrument
