// The firmware checksum: which bytes of an image it sums.
#include "update/FirmwareChecksum.h"

#include <gtest/gtest.h>

#include <memory>

namespace zrflash::update {
namespace {

TEST(FirmwareChecksum, SumsTheUploadedBytesOnly)
{
    auto image = std::make_unique<FirmwareImage>();
    image->fill(0);
    EXPECT_EQ(FirmwareChecksum(*image), 0u);

    (*image)[0] = 0x01;
    (*image)[UploadEnd - 1] = 0x02;
    (*image)[UploadEnd] = 0x40;              // never uploaded
    (*image)[FirmwareImageSize - 1] = 0x80;  // never uploaded
    EXPECT_EQ(FirmwareChecksum(*image), 3u);

    image->fill(0xFF);
    EXPECT_EQ(FirmwareChecksum(*image), 57344u * 0xFF);
}

}  // namespace
}  // namespace zrflash::update
