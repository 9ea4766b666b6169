#pragma once
// The keypad's 64-byte programming image: start marker, key number, up to
// 30 modifier/usage pairs, end marker and checksum.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/macro_limits.h"

namespace pm {

// Index 0 is not part of the image; bytes 1 to 64 are sent, 32 in each of
// the two output reports.
using ReportImage = std::array<uint8_t, 65>;
inline constexpr uint32_t kReportImageHalf = 32;

inline constexpr int kPairAreaSize = 60; // image bytes 3 to 62
static_assert(
    kPairAreaSize == 2 * kMaxMacroStrokes, "the pair area holds one pair for each stroke of a macro");
inline constexpr uint8_t kImageStartMarker = 0x55;
inline constexpr uint8_t kImageEndMarker = 0xFF;

// Throws unless strokeCount pairs fit the pair area.
void requireProgrammableStrokeCount(size_t strokeCount);

// Rebuilds bytes 1 to 64 of image from the stroke lines ("modifier,usage",
// each number kept as its low 8 bits) and the device key number. Every line
// is converted before the image is touched, so a line that does not convert
// (or more than 30 lines) leaves image as it was. Byte 63 is never written.
void buildReportImage(ReportImage& image, const std::vector<std::string>& strokeLines, uint8_t key);

} // namespace pm
