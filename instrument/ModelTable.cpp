// Which HID devices are the instrument, and what each model brings with it.
#include "instrument/ModelTable.h"

#include <array>
#include <string>

#include "instrument/InstrumentTexts.h"

namespace zrflash::instrument {
namespace {

struct ModelEntry {
    std::uint16_t productId;
    InstrumentModel model;
};

constexpr std::array<ModelEntry, 3> kModels = {{
    {0xF542, {12, u"12", texts::kModel12Caption}},
    {0xF541, {12, u"12", texts::kModel12Caption}},
    {0xF538, {14, u"14", texts::kModel14Caption}},
}};

}  // namespace

std::optional<InstrumentModel> ModelOf(std::uint16_t vendorId, std::uint16_t productId) {
    if (vendorId != kInstrumentVendorId) return std::nullopt;
    for (const auto& entry : kModels) {
        if (entry.productId == productId) return entry.model;
    }
    return std::nullopt;
}

std::u16string ConnectedLine(std::u16string_view suffix) {
    return std::u16string(texts::kInstrument) + std::u16string(suffix) + std::u16string(texts::kConnected);
}

std::u16string DisconnectedLine(std::u16string_view suffix) {
    return std::u16string(texts::kInstrument) + std::u16string(suffix) + std::u16string(texts::kDisconnected);
}

}  // namespace zrflash::instrument
