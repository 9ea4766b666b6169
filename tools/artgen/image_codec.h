#pragma once
// Writers for the two picture formats the program loads: 24-bit BMP for the
// keypad window and GIF89a (palette, one transparent index, LZW) for the
// editor. Plain C++ so they can be tested without a toolkit.
#include <cstdint>
#include <string>
#include <vector>

namespace pm::art {

// Non-premultiplied 0xAARRGGBB, rows top to bottom.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

struct IndexedImage {
    int width = 0, height = 0;
    std::vector<uint8_t> indices;  // one per pixel, rows top to bottom
    std::vector<uint32_t> palette; // 0xRRGGBB, at most 256 entries
    int transparent = -1;          // palette index shown as see-through, or -1
};

// Pixels less than half opaque become the transparent index; the others are
// blended over matte (the colour the picture will lie on) and made opaque,
// so soft edges do not leave a light fringe. Up to 256 colours are kept
// exactly; more are reduced by median cut.
IndexedImage quantize(const RgbaImage& image, uint32_t matte);

// The LZW code stream of a GIF image (before it is cut into sub-blocks).
std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& indices, int minCodeSize);

// The smallest LZW minimum code size for a palette of n entries (2 to 8).
int minCodeSizeFor(size_t paletteSize);

std::string encodeGif(const IndexedImage& image);

// Bottom-up 24-bit BMP; pixels are 0x..RRGGBB, alpha ignored.
std::string encodeBmp24(const RgbaImage& image);

} // namespace pm::art
