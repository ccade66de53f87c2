// The instrument's 4-byte number format: worked values, rounding edges, refusals and round trips.
#include "protocol/NumberFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace zrflash::protocol {
namespace {

using Bytes = DeviceFloatBytes;

std::uint32_t Word(const Bytes& bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

Bytes BytesOfWord(std::uint32_t word)
{
    return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

// The nearest value with a 24-bit significand, a tie going to the smaller magnitude, worked out
// on the bits of the double (so it also covers the magnitudes beyond binary32's normal range).
double RoundToFormatPrecision(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    constexpr std::uint64_t droppedMask = (std::uint64_t{1} << 29) - 1;
    constexpr std::uint64_t half = std::uint64_t{1} << 28;
    std::uint64_t kept = bits & ~droppedMask;
    if ((bits & droppedMask) > half) {
        kept += droppedMask + 1;  // a carry out of the significand moves into the exponent
    }
    return std::bit_cast<double>(kept);
}

struct ValueCase {
    const char* name;
    double value;
    Bytes bytes;
};

void PrintTo(const ValueCase& valueCase, std::ostream* out) { *out << valueCase.name; }

// Values the program writes, with the bytes the instrument must end up holding.
const ValueCase WrittenValues[] = {
    {"one", 1.0, {0x00, 0x00, 0x80, 0x3F}},
    {"half", 0.5, {0x00, 0x00, 0x00, 0x3F}},
    {"two", 2.0, {0x00, 0x00, 0x00, 0x40}},
    {"three", 3.0, {0x00, 0x00, 0x40, 0x40}},
    {"minusOne", -1.0, {0x00, 0x00, 0x80, 0xBF}},
    {"hundred", 100.0, {0x00, 0x00, 0xC8, 0x42}},
    {"minusHundredth", -0.01, {0x0A, 0xD7, 0x23, 0xBC}},
    {"zero", 0.0, {0x00, 0x00, 0x00, 0x00}},
    {"minusZero", -0.0, {0x00, 0x00, 0x00, 0x00}},
    // The model-12 coefficients at 0x308 to 0x324.
    {"coefficient308", 0.902, {0x79, 0xE9, 0x66, 0x3F}},
    {"coefficient30C", -0.0115, {0x7F, 0x6A, 0x3C, 0xBC}},
    {"coefficient310", 0.7581, {0xD7, 0x12, 0x42, 0x3F}},
    {"coefficient314", -0.0051, {0xE7, 0x1D, 0xA7, 0xBB}},
    {"coefficient31C", 0.40577, {0x16, 0xC1, 0xCF, 0x3E}},
    {"coefficient320", 0.0197, {0xE5, 0x61, 0xA1, 0x3C}},
    {"coefficient324", 0.052, {0xF4, 0xFD, 0x54, 0x3D}},
    // Rounding: ties go to the smaller magnitude, carries run into the octave bit and exponent.
    {"tieBetweenFractionSteps", 1.0 + 3 * 0x1p-24, {0x01, 0x00, 0x80, 0x3F}},
    {"tieAboveOne", 1.0 + 0x1p-24, {0x00, 0x00, 0x80, 0x3F}},
    {"justAboveTieAboveOne", 1.0 + 0x1p-24 + 0x1p-52, {0x01, 0x00, 0x80, 0x3F}},
    {"tieBelowTwo", 2.0 - 0x1p-24, {0xFF, 0xFF, 0xFF, 0x3F}},
    {"nearerToTwo", 2.0 - 0x1p-25, {0x00, 0x00, 0x00, 0x40}},
    {"justAboveTieBelowTwo", 2.0 - 0x1p-24 + 0x1p-52, {0x00, 0x00, 0x00, 0x40}},
    {"tieBelowFour", 4.0 - 0x1p-23, {0xFF, 0xFF, 0x7F, 0x40}},
    {"nearerToFour", 4.0 - 0x1p-24, {0x00, 0x00, 0x80, 0x40}},
    {"tieBelowEight", 8.0 - 0x1p-22, {0xFF, 0xFF, 0xFF, 0x40}},
    {"nearerToEight", 8.0 - 0x1p-23, {0x00, 0x00, 0x00, 0x41}},
    {"negativeNearerToEight", -(8.0 - 0x1p-23), {0x00, 0x00, 0x00, 0xC1}},
    // The ends of the range.
    {"smallestNegative", -0x1p-127, {0x00, 0x00, 0x00, 0x80}},
    {"smallestPositive", 0x1p-127 * (1 + 0x1p-23), {0x01, 0x00, 0x00, 0x00}},
    {"largest", 0x1p129 - 0x1p105, {0xFF, 0xFF, 0xFF, 0x7F}},
    {"tieBelowLimit", 0x1p129 - 0x1p104, {0xFF, 0xFF, 0xFF, 0x7F}},
    {"mostNegative", -(0x1p129 - 0x1p105), {0xFF, 0xFF, 0xFF, 0xFF}},
};

class WrittenValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(WrittenValueTest, EncodesToTheInstrumentsBytes)
{
    const std::optional<Bytes> bytes = EncodeDeviceFloat(GetParam().value);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, WrittenValueTest, testing::ValuesIn(WrittenValues),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    Bytes bytes;
    double value;
};

void PrintTo(const ReadCase& readCase, std::ostream* out) { *out << readCase.name; }

const ReadCase ReadValues[] = {
    {"one", {0x00, 0x00, 0x80, 0x3F}, 1.0},
    {"half", {0x00, 0x00, 0x00, 0x3F}, 0.5},
    {"two", {0x00, 0x00, 0x00, 0x40}, 2.0},
    {"three", {0x00, 0x00, 0x40, 0x40}, 3.0},
    {"minusOne", {0x00, 0x00, 0x80, 0xBF}, -1.0},
    {"hundred", {0x00, 0x00, 0xC8, 0x42}, 100.0},
    {"minusHundredth", {0x0A, 0xD7, 0x23, 0xBC}, -0.009999999776482582},
    {"coefficient308", {0x79, 0xE9, 0x66, 0x3F}, 0.9020000100135803},
    {"zero", {0x00, 0x00, 0x00, 0x00}, 0.0},
    // Patterns that binary32 reserves still decode by the same steps.
    {"signOnly", {0x00, 0x00, 0x00, 0x80}, -0x1p-127},
    {"lowestExponentWithFraction", {0x00, 0x00, 0x40, 0x00}, 0x1p-127 * 1.5},
    {"highestExponentNoFraction", {0x00, 0x00, 0x80, 0x7F}, 0x1p128},
    {"allOnes", {0xFF, 0xFF, 0xFF, 0xFF}, -(0x1p129 - 0x1p105)},
};

class ReadValueTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadValueTest, DecodesToTheValue)
{
    const double value = DecodeDeviceFloat(GetParam().bytes);
    EXPECT_EQ(value, GetParam().value);
    EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, ReadValueTest, testing::ValuesIn(ReadValues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NumberFormat, RefusesValuesTheFormatCannotHold)
{
    const double refused[] = {
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        0x1p129,
        -0x1p129,
        std::nextafter(0x1p129 - 0x1p104, 1.0e300),  // rounds up to 2^129
        -std::nextafter(0x1p129 - 0x1p104, 1.0e300),
        std::numeric_limits<double>::max(),
        std::nextafter(0x1p-127, 0.0),
        -std::nextafter(0x1p-127, 0.0),
        std::numeric_limits<double>::denorm_min(),
        1.0e-300,
        // Would be four zero bytes, which read back as 0.
        0x1p-127,
        0x1p-127 * (1 + 0x1p-24),
    };
    for (const double value : refused) {
        EXPECT_FALSE(EncodeDeviceFloat(value).has_value()) << value;
    }
}

TEST(NumberFormat, WritesSignAndExponentFirst)
{
    using Addresses = std::array<std::uint16_t, 4>;
    EXPECT_EQ(DeviceFloatWriteOrder(0x308), (Addresses{0x30B, 0x308, 0x309, 0x30A}));
    EXPECT_EQ(DeviceFloatWriteOrder(0x3D0), (Addresses{0x3D3, 0x3D0, 0x3D1, 0x3D2}));
}

// Every normal binary32 pattern means what IEEE 754 says, and every pattern of the format,
// reserved ones included, is written back to the same bytes.
TEST(NumberFormat, BitPatternsDecodeAsBinary32AndEncodeBack)
{
    constexpr std::uint32_t stride = 0x9E3779B1u;  // odd, so the samples spread over all words
    std::uint32_t word = 0;
    for (int sample = 0; sample < (1 << 20); ++sample, word += stride) {
        const Bytes bytes = BytesOfWord(word);
        const double value = DecodeDeviceFloat(bytes);
        const std::uint32_t biasedExponent = (word >> 23) & 0xFF;
        if (biasedExponent != 0 && biasedExponent != 0xFF) {
            ASSERT_EQ(value, static_cast<double>(std::bit_cast<float>(word)))
                << std::hex << word;
        }
        const std::optional<Bytes> written = EncodeDeviceFloat(value);
        ASSERT_TRUE(written.has_value()) << std::hex << word;
        ASSERT_EQ(Word(*written), word) << std::hex << word;
    }
}

// What a write followed by a read gives: the value rounded to 24 significant bits, ties to the
// smaller magnitude, or a refusal where that rounding leaves the range.
void ExpectRoundTrip(double value)
{
    const double expected = RoundToFormatPrecision(value);
    const std::optional<Bytes> bytes = EncodeDeviceFloat(value);
    if (std::fabs(expected) >= 0x1p129 || expected == 0x1p-127) {
        EXPECT_FALSE(bytes.has_value()) << std::hexfloat << value;
        return;
    }
    ASSERT_TRUE(bytes.has_value()) << std::hexfloat << value;
    ASSERT_EQ(DecodeDeviceFloat(*bytes), expected) << std::hexfloat << value;
    const double magnitude = std::fabs(expected);
    if (magnitude >= 0x1p-126 && magnitude < 0x1p128) {
        ASSERT_EQ(Word(*bytes), std::bit_cast<std::uint32_t>(static_cast<float>(expected)))
            << std::hexfloat << value;
    }
}

TEST(NumberFormat, RandomValuesRoundTripToNearest)
{
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<int> exponents(-127, 128);
    std::uniform_int_distribution<std::uint64_t> significands(0, (std::uint64_t{1} << 52) - 1);
    for (int sample = 0; sample < 100000; ++sample) {
        const std::uint64_t sign = random() & 1;
        const std::uint64_t biased = static_cast<std::uint64_t>(exponents(random) + 1023);
        ExpectRoundTrip(std::bit_cast<double>((sign << 63) | (biased << 52) | significands(random)));
    }
}

// Ties and their immediate neighbours, where a rounding fault shows.
TEST(NumberFormat, ValuesAroundTiesRoundTripToNearest)
{
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::uint32_t> words(0, 0xFFFFFFFFu);
    for (int sample = 0; sample < 20000; ++sample) {
        const std::uint32_t word = words(random);
        if (((word >> 23) & 0xFF) == 0xFF || word == 0) {
            continue;
        }
        const double value = DecodeDeviceFloat(BytesOfWord(word));
        // Half the distance to the next number of larger magnitude.
        const double halfStep = std::ldexp(1.0, std::ilogb(value) - 24);
        const double tie = value + std::copysign(halfStep, value);
        for (const double candidate : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, tie * 2)}) {
            ExpectRoundTrip(candidate);
        }
    }
}

}  // namespace
}  // namespace zrflash::protocol
