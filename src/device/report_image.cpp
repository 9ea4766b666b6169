#include "device/report_image.h"

#include <array>

#include "base/errors.h"
#include "base/text.h"

namespace pm {

void requireProgrammableStrokeCount(size_t strokeCount)
{
    // A hand-edited stroke file can hold more strokes than the keypad takes.
    if (strokeCount > static_cast<size_t>(kMaxMacroStrokes))
        throw UiError("The macro has " + std::to_string(strokeCount) + " key strokes; at most "
            + std::to_string(kMaxMacroStrokes) + " can be programmed. Delete strokes and try again.");
}

void buildReportImage(ReportImage& image, const std::vector<std::string>& strokeLines, uint8_t key)
{
    requireProgrammableStrokeCount(strokeLines.size());

    std::array<uint8_t, kPairAreaSize> pairs{};
    for (size_t i = 0; i < strokeLines.size(); ++i) {
        const auto [modifier, usage] = splitAtFirstComma(strokeLines[i]);
        pairs[2 * i] = static_cast<uint8_t>(strToInt(modifier));
        pairs[2 * i + 1] = static_cast<uint8_t>(strToInt(usage));
    }
    if (strokeLines.size() < static_cast<size_t>(kMaxMacroStrokes))
        pairs[2 * strokeLines.size()] = kImageEndMarker;

    uint8_t sum = 0;
    for (int i = 0; i < kPairAreaSize; ++i) {
        image[3 + static_cast<size_t>(i)] = pairs[static_cast<size_t>(i)];
        sum = static_cast<uint8_t>(sum + pairs[static_cast<size_t>(i)]);
    }
    image[64] = sum;
    image[1] = kImageStartMarker;
    image[2] = key;
}

} // namespace pm
