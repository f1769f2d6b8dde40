// The normalising passes: what an image looks like after every import.
#include <gtest/gtest.h>

#include <algorithm>

#include "bank/bank_image.h"
#include "tests/bank/bank_layouts.h"

namespace {

uint8_t* Tone(Bytes& image, size_t t) { return image.data() + kToneOffset + kToneRecordSize * t; }

TEST(NormalizeM64CImage, ReplacesHeaderClearsTailAndCleansTonesButNotPatches) {
    const Bytes original = MakeRandomImage(7, kM64CImageSize);
    Bytes image = original;
    NormalizeM64CImage(std::span<uint8_t, kM64CImageSize>(image));

    EXPECT_TRUE(std::equal(DefaultM64CHeader.begin(), DefaultM64CHeader.end(), image.begin()));
    EXPECT_TRUE(
        std::all_of(image.begin() + kM64CZeroTail, image.end(), [](uint8_t b) { return b == 0; }));
    for (size_t t = 0; t < static_cast<size_t>(kM64CToneCount); ++t) {
        const uint8_t* before = original.data() + kToneOffset + kToneRecordSize * t;
        const uint8_t* after = Tone(image, t);
        for (size_t i = 0; i < kToneRecordSize; ++i) {
            const uint8_t expected =
                i == kToneNameSize ? 0x20 : static_cast<uint8_t>(before[i] & 0x7F);
            ASSERT_EQ(after[i], expected) << "tone " << t << " byte " << i;
        }
    }
    EXPECT_TRUE(std::equal(original.begin() + kPatchOffset, original.begin() + kM64CZeroTail,
                           image.begin() + kPatchOffset));
}

TEST(NormalizeM16CImage, ClearsHeaderGapKeepsSignatureBytesAndCleansTones) {
    const Bytes original = MakeRandomImage(11, kM16CImageSize);
    Bytes image = original;
    NormalizeM16CImage(std::span<uint8_t, kM16CImageSize>(image));

    EXPECT_EQ(image[0], original[0]);
    EXPECT_EQ(image[1], original[1]);
    EXPECT_EQ(image[159], original[159]);
    EXPECT_TRUE(
        std::all_of(image.begin() + 2, image.begin() + 159, [](uint8_t b) { return b == 0; }));
    for (size_t t = 0; t < static_cast<size_t>(kM16CToneCount); ++t) {
        for (size_t i = 0; i < kToneRecordSize; ++i) {
            const uint8_t before = original[kToneOffset + kToneRecordSize * t + i];
            const uint8_t expected =
                i == kToneNameSize ? 0x20 : static_cast<uint8_t>(before & 0x7F);
            ASSERT_EQ(Tone(image, t)[i], expected) << "tone " << t << " byte " << i;
        }
    }
}

}  // namespace
