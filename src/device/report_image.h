#pragma once
// The keypad's 64-byte programming image: start marker, key number, up to
// 30 modifier/usage pairs, end marker and checksum.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"

namespace pm {

inline constexpr int kPairAreaSize = 60;    // image bytes 3 to 62
inline constexpr int kMaxImageStrokes = 30; // pairs that fit the pair area
inline constexpr uint8_t kImageStartMarker = 0x55;
inline constexpr uint8_t kImageEndMarker = 0xFF;

// Splits a "left,right" line at its first comma. Without a comma the left
// part is empty and the right part is the whole line, so both readers of
// such lines report the same offending text.
std::pair<std::string, std::string> splitAtFirstComma(const std::string& line);

// Throws unless strokeCount pairs fit the pair area.
void requireProgrammableStrokeCount(size_t strokeCount);

// Rebuilds bytes 1 to 64 of image from the stroke lines ("modifier,usage",
// each number kept as its low 8 bits) and the device key number. Every line
// is converted before the image is touched, so a line that does not convert
// (or more than 30 lines) leaves image as it was. Byte 63 is never written.
void buildReportImage(ReportImage& image, const std::vector<std::string>& strokeLines, uint8_t key);

} // namespace pm
