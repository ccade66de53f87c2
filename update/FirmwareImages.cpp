// Choosing the carried firmware image and its version text by model code.
#include "update/FirmwareImages.h"

namespace zrflash::update {

static_assert(sizeof(FirmwareImages) == 2 * FirmwareImageSize,
              "the two images must lie one directly after the other");

const FirmwareImage* FirmwareImageOfModel(std::uint8_t modelCode)
{
    switch (modelCode) {
    case 12:
        return &FirmwareImages[0];
    case 14:
        return &FirmwareImages[1];
    default:
        return nullptr;
    }
}

std::string_view CarriedFirmwareVersion(std::uint8_t modelCode)
{
    switch (modelCode) {
    case 12:
        return "C1.31";
    case 14:
        return "D1.14";
    default:
        return {};
    }
}

}  // namespace zrflash::update
