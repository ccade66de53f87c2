// The firmware images the program carries, one for each model it serves, in stored order.
#pragma once

#include "update/FirmwareImage.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace zrflash::update {

// The model-12 image, then the model-14 image, one directly after the other; built into the
// program from update/images/*.bin.
extern const std::array<FirmwareImage, 2> FirmwareImages;

// The image for a model code (12 or 14); nullptr for any other code.
const FirmwareImage* FirmwareImageOfModel(std::uint8_t modelCode);

// The version text of the image carried for a model ("C1.31" or "D1.14"); empty for any other.
std::string_view CarriedFirmwareVersion(std::uint8_t modelCode);

}  // namespace zrflash::update
