#include "picpush/ImageCheck.h"

#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace picpush;
using orvane::test::MakeJpeg;
using orvane::test::MakePng;

namespace {

ImageCheckResult Check(const std::vector<unsigned char>& data) {
    return CheckImage(data.data(), data.size());
}

} // namespace

TEST(ImageCheck, WholeImagesAreTakenWithTheirSize) {
    ImageCheckResult jpeg = Check(MakeJpeg(1280, 800));
    EXPECT_TRUE(jpeg.ok) << jpeg.error;
    EXPECT_EQ(jpeg.format, ImageFormat::Jpeg);
    EXPECT_EQ(jpeg.width, 1280);
    EXPECT_EQ(jpeg.height, 800);

    ImageCheckResult png = Check(MakePng(4096, 4096));
    EXPECT_TRUE(png.ok) << png.error;
    EXPECT_EQ(png.format, ImageFormat::Png);
    EXPECT_EQ(png.width, 4096);
}

TEST(ImageCheck, CutDamagedPaddedAndOversizedImagesAreRefused) {
    for (const auto& image : {MakeJpeg(640, 480), MakePng(640, 480)}) {
        SCOPED_TRACE(image[0] == 0xFF ? "jpeg" : "png");
        std::vector<unsigned char> cut(image.begin(), image.end() - 3);
        EXPECT_FALSE(Check(cut).ok);
        std::vector<unsigned char> padded = image;
        padded.push_back(0);
        EXPECT_FALSE(Check(padded).ok);
        std::vector<unsigned char> headOnly(image.begin(), image.begin() + 20);
        EXPECT_FALSE(Check(headOnly).ok);
    }
    std::vector<unsigned char> png = MakePng(64, 64);
    png[45] ^= 1; // inside IDAT: its CRC no longer matches
    EXPECT_FALSE(Check(png).ok);

    EXPECT_FALSE(Check(MakeJpeg(4097, 10)).ok);
    EXPECT_FALSE(Check(MakePng(10, 4097)).ok);
    EXPECT_FALSE(Check(MakeJpeg(0, 10)).ok);

    ImageCheckResult big = Check(MakeJpeg(100, 100, kMaxImageBytes));
    EXPECT_FALSE(big.ok);
    EXPECT_EQ(big.error, "larger than 16 MiB");
}

TEST(ImageCheck, OtherContentIsNoImageWhateverItsName) {
    const std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0};
    ImageCheckResult result = Check(gif);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.format, ImageFormat::None);
    EXPECT_FALSE(Check({}).ok);
}
