// The carried firmware images: layout, stored order, version texts and the model-14 checksum.
#include "update/FirmwareImages.h"

#include "update/FirmwareChecksum.h"
#include "update/ImagePieces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace zrflash::update {
namespace {

std::unique_ptr<FirmwareImage> SendingOrder(std::uint8_t modelCode)
{
    auto upload = std::make_unique<FirmwareImage>();
    upload->fill(0);
    RestoreAllPieces(*FirmwareImageOfModel(modelCode), *upload);
    return upload;
}

bool Contains(const FirmwareImage& image, std::string_view text)
{
    return std::search(image.begin(), image.end(), text.begin(), text.end()) != image.end();
}

TEST(FirmwareImages, ModelCodeSelectsItsImage)
{
    EXPECT_EQ(FirmwareImageOfModel(12), &FirmwareImages[0]);
    EXPECT_EQ(FirmwareImageOfModel(14), &FirmwareImages[1]);
    for (const std::uint8_t other : {0, 1, 11, 13, 15, 255}) {
        EXPECT_EQ(FirmwareImageOfModel(other), nullptr) << int{other};
        EXPECT_TRUE(CarriedFirmwareVersion(other).empty()) << int{other};
    }
    EXPECT_EQ(FirmwareImages[0].data() + FirmwareImageSize, FirmwareImages[1].data());
    EXPECT_NE(FirmwareImages[0], FirmwareImages[1]);
}

struct ModelCase {
    std::uint8_t modelCode;
    std::string_view version;
    std::string_view otherVersion;
};

void PrintTo(const ModelCase& modelCase, std::ostream* out) { *out << "model " << int{modelCase.modelCode}; }

class CarriedImageTest : public testing::TestWithParam<ModelCase> {};

// The version text reads forwards only once the pieces are restored, which shows that the file
// holds the stored order and that the generator and the program agree on the pieces.
TEST_P(CarriedImageTest, VersionTextReadsInSendingOrderOnly)
{
    const auto& [modelCode, version, otherVersion] = GetParam();
    EXPECT_EQ(CarriedFirmwareVersion(modelCode), version);
    const auto upload = SendingOrder(modelCode);
    EXPECT_TRUE(Contains(*upload, version));
    EXPECT_FALSE(Contains(*upload, otherVersion));
    EXPECT_FALSE(Contains(*FirmwareImageOfModel(modelCode), version));
}

TEST_P(CarriedImageTest, LooksLikeFirmwareInSendingOrder)
{
    const auto upload = SendingOrder(GetParam().modelCode);
    // The reset vector and the next one are jumps ("jmp", 0x940C little-endian).
    EXPECT_EQ((*upload)[0], 0x0C);
    EXPECT_EQ((*upload)[1], 0x94);
    EXPECT_EQ((*upload)[4], 0x0C);
    EXPECT_EQ((*upload)[5], 0x94);
    // The boot area above the upload is erased flash.
    EXPECT_TRUE(std::all_of(upload->begin() + UploadEnd, upload->end(),
                            [](std::uint8_t byte) { return byte == 0xFF; }));
    EXPECT_NE((*upload)[UploadEnd / 2], 0xFF);
}

INSTANTIATE_TEST_SUITE_P(FirmwareImages, CarriedImageTest,
                         testing::Values(ModelCase{12, "C1.31", "D1.14"},
                                         ModelCase{14, "D1.14", "C1.31"}),
                         [](const auto& info) { return "Model" + std::to_string(info.param.modelCode); });

TEST(FirmwareImages, ChecksumsOfTheUploadedRange)
{
    EXPECT_EQ(FirmwareChecksum(*SendingOrder(14)), Model14FirmwareChecksum);
    EXPECT_EQ(Model14FirmwareChecksum, 0x5D0B5Fu);
    // Pinned so that a change of the model-12 image or of its embedding is noticed.
    EXPECT_EQ(FirmwareChecksum(*SendingOrder(12)), 0x6E5B3Au);
}

}  // namespace
}  // namespace zrflash::update
