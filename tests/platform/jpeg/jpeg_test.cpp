#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdlib>
#include <vector>

#include "platform/jpeg/jpeg_decoder.h"
#include "platform/jpeg/picture.h"

namespace {

// A small picture encoded with libjpeg: red on the left half, blue on the
// right (or a grey ramp).
std::vector<std::uint8_t> encode(int width, int height, bool grey)
{
    jpeg_compress_struct c {};
    jpeg_error_mgr err {};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> line(static_cast<std::size_t>(width) * (grey ? 1 : 3));
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x) {
            if (grey) {
                line[static_cast<std::size_t>(x)] = static_cast<unsigned char>(x * 255 / (width - 1));
            } else {
                const bool left = x < width / 2;
                line[static_cast<std::size_t>(3 * x)] = left ? 255 : 0;
                line[static_cast<std::size_t>(3 * x + 1)] = 0;
                line[static_cast<std::size_t>(3 * x + 2)] = left ? 0 : 255;
            }
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// Catches a decoder that swaps channels, loses size, or mangles grey images.
TEST(JpegDecode, GoodPicturesDecodeWithTheirSizeAndColours)
{
    const QImage image = jpeg::DecodeJpeg(encode(64, 32, false));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 64);
    EXPECT_EQ(image.height(), 32);
    const QColor left = image.pixelColor(8, 16);
    const QColor right = image.pixelColor(56, 16);
    EXPECT_GT(left.red(), 230);
    EXPECT_LT(left.blue(), 30);
    EXPECT_GT(right.blue(), 230);
    EXPECT_LT(right.red(), 30);

    const QImage grey = jpeg::DecodeJpeg(encode(256, 8, true));
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_LT(qGray(grey.pixel(2, 4)), 10);
    EXPECT_GT(qGray(grey.pixel(253, 4)), 245);
}

// Catches a bad picture that ends the process (libjpeg's default), or a cut
// picture shown half grey as if it were good.
TEST(JpegDecode, TruncatedGarbageAndEmptyDataRaise)
{
    const auto good = encode(64, 64, false);
    const std::vector<std::uint8_t> truncated(
        good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    EXPECT_THROW(jpeg::DecodeJpeg(truncated), jpeg::EJPEGError);
    const std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 40);
    EXPECT_THROW(jpeg::DecodeJpeg(headerOnly), jpeg::EJPEGError);

    std::vector<std::uint8_t> garbage(4000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    try {
        jpeg::DecodeJpeg(garbage);
        FAIL() << "no error";
    } catch (const jpeg::EJPEGError& e) {
        EXPECT_NE(std::string(e.what()).find("JPEG"), std::string::npos);
    }
    EXPECT_THROW(jpeg::DecodeJpeg(std::vector<std::uint8_t> {}), jpeg::EJPEGError);

    // A damaged scan (bytes flipped in the middle of the coded data).
    auto damaged = good;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i)
        damaged[i] = 0xFF;
    EXPECT_THROW(jpeg::DecodeJpeg(damaged), jpeg::EJPEGError);
}

// Catches a picture control that blanks or half-replaces its picture when a
// load fails.
TEST(JpegPicture, FailedLoadKeepsThePreviousPicture)
{
    jpeg::TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    EXPECT_TRUE(picture.Empty());
    picture.LoadJpeg(encode(40, 20, false));
    EXPECT_EQ(changes, 1);
    const QImage before = picture.Image();

    const std::vector<std::uint8_t> garbage(100, 0x42);
    EXPECT_THROW(picture.LoadJpeg(garbage), jpeg::EJPEGError);
    auto cut = encode(80, 80, false);
    cut.resize(cut.size() / 3);
    EXPECT_THROW(picture.LoadJpeg(cut), jpeg::EJPEGError);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picture.Image(), before);

    picture.LoadJpeg(encode(10, 10, true));
    EXPECT_EQ(picture.Image().width(), 10);
    picture.Clear();
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(changes, 3);
}

} // namespace
