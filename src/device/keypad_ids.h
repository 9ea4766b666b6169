#pragma once
// The values the keypad's HID interface identifies itself with. Discovery
// matches against them and the simulated keypad plugs them in by default.
#include <cstdint>

namespace pm {

inline constexpr uint16_t kKeypadVendor = 0xFFFF;
inline constexpr uint16_t kKeypadProduct = 0x0200;
inline constexpr uint16_t kKeypadVersion = 0x0101;
inline constexpr uint16_t kKeypadUsagePage = 0x000C;
inline constexpr uint16_t kKeypadUsage = 0x0001;
inline constexpr uint16_t kKeypadOutputReportLength = 33; // report ID byte and 32 data bytes

} // namespace pm
