// The GIF and BMP writers, checked against Qt's readers and against a strict
// LZW decoder that also insists on the code widths at the end of the stream.
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <random>

#include "image_codec.h"
#include "lzw_reference.h"

using namespace pm::art;

using pm::art::reference::strictLzwDecode;

namespace {

IndexedImage randomIndexed(int w, int h, size_t colours, uint32_t seed)
{
    std::mt19937 rng(seed);
    IndexedImage img;
    img.width = w;
    img.height = h;
    for (size_t i = 0; i < colours; ++i)
        img.palette.push_back(uint32_t(rng()) & 0xFFFFFF);
    for (int i = 0; i < w * h; ++i)
        img.indices.push_back(uint8_t(rng() % colours));
    return img;
}

QImage readGif(const std::string& bytes)
{
    QByteArray data(bytes.data(), qsizetype(bytes.size()));
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "gif");
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

void expectDecodesTo(const IndexedImage& img, const QImage& got)
{
    ASSERT_EQ(got.width(), img.width);
    ASSERT_EQ(got.height(), img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t idx = img.indices[size_t(y * img.width + x)];
            const QRgb px = got.pixel(x, y);
            if (int(idx) == img.transparent)
                ASSERT_EQ(qAlpha(px), 0) << x << "," << y;
            else
                ASSERT_EQ(px, 0xFF000000u | img.palette[idx]) << x << "," << y;
        }
}

} // namespace

TEST(Lzw, EveryLengthRoundTripsWithExactCodeWidths)
{
    // Short runs of few colours cross each width change and end at every
    // possible point relative to it; noise of 256 colours fills the table
    // and forces clear codes.
    for (int minCode : {2, 3, 8}) {
        const size_t colours = size_t(1) << minCode;
        for (int n :
            {1, 2, 3, 5, 7, 8, 9, 30, 100, 250, 251, 252, 253, 254, 255, 256, 511, 1000, 3000, 9000}) {
            const IndexedImage img = randomIndexed(n, 1, colours, uint32_t(n * 7 + minCode));
            const std::vector<uint8_t> codes = lzwEncode(img.indices, minCode);
            std::vector<uint8_t> decoded;
            ASSERT_TRUE(strictLzwDecode(codes, minCode, decoded)) << "min " << minCode << " n " << n;
            ASSERT_EQ(decoded, img.indices) << "min " << minCode << " n " << n;
        }
    }
    for (int n = 1; n < 1500; ++n) {
        const IndexedImage img = randomIndexed(n, 1, 3, uint32_t(n));
        std::vector<uint8_t> decoded;
        ASSERT_TRUE(strictLzwDecode(lzwEncode(img.indices, 2), 2, decoded)) << n;
        ASSERT_EQ(decoded, img.indices) << n;
    }
}

TEST(Lzw, RepetitiveInputCompressesAndRejectsIndicesBeyondTheCodeSize)
{
    const std::vector<uint8_t> flat(100000, 3);
    const std::vector<uint8_t> codes = lzwEncode(flat, 2);
    EXPECT_LT(codes.size(), 2000u);
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(strictLzwDecode(codes, 2, decoded));
    EXPECT_EQ(decoded, flat);

    EXPECT_THROW(lzwEncode({0, 1, 4}, 2), std::invalid_argument);
    EXPECT_THROW(lzwEncode({0}, 1), std::invalid_argument);
}

TEST(Gif, FilesDecodeInQtPixelForPixel)
{
    for (const auto& [w, h, colours] : std::vector<std::tuple<int, int, size_t>>{
             {1, 1, 1}, {41, 41, 2}, {62, 83, 5}, {300, 200, 256}, {970, 280, 200}}) {
        IndexedImage img = randomIndexed(w, h, colours, uint32_t(w + h));
        if (colours > 1 && colours < 256)
            img.transparent = int(colours - 1);
        const std::string bytes = encodeGif(img);
        ASSERT_EQ(bytes.substr(0, 6), "GIF89a");
        ASSERT_EQ(uint8_t(bytes.back()), 0x3B);
        expectDecodesTo(img, readGif(bytes));
    }
}

TEST(Gif, TransparentIndexIsAnnouncedOnlyWhenUsed)
{
    IndexedImage img = randomIndexed(8, 8, 4, 1);
    const std::string opaque = encodeGif(img);
    EXPECT_EQ(opaque.find("\x21\xF9"), std::string::npos);
    img.transparent = 2;
    const std::string clear = encodeGif(img);
    const size_t gce = clear.find("\x21\xF9\x04");
    ASSERT_NE(gce, std::string::npos);
    EXPECT_EQ(clear[gce + 3] & 1, 1);
    EXPECT_EQ(uint8_t(clear[gce + 6]), 2);

    EXPECT_THROW(encodeGif(IndexedImage{2, 2, {0, 0, 0}, {0}, -1}), std::invalid_argument);
    EXPECT_THROW(encodeGif(IndexedImage{1, 1, {0}, {}, -1}), std::invalid_argument);
}

TEST(Quantize, FewColoursKeptExactlyAndClearPixelsBecomeTheTransparentIndex)
{
    RgbaImage src{3, 2, {0xFFFF0000, 0xFF00FF00, 0x00000000, 0x7F123456, 0x80FFFFFF, 0xFFFF0000}};
    const IndexedImage out = quantize(src, 0x000000);
    ASSERT_GE(out.transparent, 0);
    EXPECT_EQ(out.indices[2], out.transparent);
    EXPECT_EQ(out.indices[3], out.transparent); // alpha 127: less than half
    EXPECT_EQ(out.palette[out.indices[0]], 0xFF0000u);
    EXPECT_EQ(out.palette[out.indices[1]], 0x00FF00u);
    EXPECT_EQ(out.indices[0], out.indices[5]);
    // Half-opaque white over a black matte: mid grey, not a white fringe.
    EXPECT_EQ(out.palette[out.indices[4]], 0x808080u);
    EXPECT_EQ(out.palette.size(), 4u);
}

TEST(Quantize, ManyColoursReduceToAPaletteThatStaysClose)
{
    // A smooth two-way gradient: 65536 colours.
    RgbaImage src{256, 256, {}};
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            src.pixels.push_back(0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | uint32_t((x + y) / 2));
    src.pixels[0] = 0; // one clear pixel takes a palette slot
    const IndexedImage out = quantize(src, 0);
    ASSERT_EQ(out.palette.size(), 256u);
    EXPECT_EQ(out.transparent, 255);
    double err = 0;
    for (size_t i = 1; i < src.pixels.size(); ++i) {
        ASSERT_NE(out.indices[i], 255);
        const uint32_t a = src.pixels[i], b = out.palette[out.indices[i]];
        for (int s : {16, 8, 0})
            err += std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF));
    }
    EXPECT_LT(err / double(src.pixels.size() * 3), 8.0);
    // Deterministic: the build must give the same files every time.
    EXPECT_EQ(quantize(src, 0).indices, out.indices);
}

TEST(Bmp, HeadersRowPaddingAndBottomUpOrder)
{
    RgbaImage img{71, 3, std::vector<uint32_t>(71 * 3, 0xFF102030)};
    img.pixels[0] = 0xFFAABBCC;           // top left
    img.pixels[2 * 71 + 70] = 0xFF010203; // bottom right
    const std::string bmp = encodeBmp24(img);
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bmp[at])) | uint32_t(uint8_t(bmp[at + 1])) << 8
            | uint32_t(uint8_t(bmp[at + 2])) << 16 | uint32_t(uint8_t(bmp[at + 3])) << 24;
    };
    const uint32_t stride = 216; // 213 bytes padded to a multiple of 4
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), bmp.size());
    EXPECT_EQ(bmp.size(), 54 + stride * 3);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(int32_t(u32(22)), 3); // positive height: bottom-up
    EXPECT_EQ(uint8_t(bmp[28]), 24);
    // The first stored row is the bottom one; pixels are B, G, R.
    EXPECT_EQ(uint8_t(bmp[54 + 70 * 3]), 0x03);
    EXPECT_EQ(uint8_t(bmp[54 + 70 * 3 + 2]), 0x01);
    EXPECT_EQ(uint8_t(bmp[54 + 2 * stride]), 0xCC);
    EXPECT_EQ(uint8_t(bmp[54 + 2 * stride + 2]), 0xAA);

    QImage back;
    ASSERT_TRUE(back.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP"));
    EXPECT_EQ(back.size(), QSize(71, 3));
    EXPECT_EQ(back.pixel(0, 0), 0xFFAABBCCu);
    EXPECT_EQ(back.pixel(70, 2), 0xFF010203u);
    EXPECT_EQ(back.pixel(35, 1), 0xFF102030u);
}
