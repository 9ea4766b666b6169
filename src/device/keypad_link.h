#pragma once
// Finding and opening the keypad's HID interface, and writing one output
// report to it.
#include <cstdint>

#include "device/hid.h"
#include "device/report_image.h"

namespace pm {

inline constexpr uint16_t kKeypadVendor = 0xFFFF;
inline constexpr uint16_t kKeypadProduct = 0x0200;
inline constexpr uint16_t kKeypadVersion = 0x0101;
inline constexpr uint16_t kKeypadUsagePage = 0x000C;
inline constexpr uint16_t kKeypadUsage = 0x0001;
inline constexpr int kInterfaceIndices = 40;

class KeypadLink {
public:
    explicit KeypadLink(HidBackend& backend)
        : backend_(backend)
    {
    }

    // 1 when the keypad was found and opened, 0 otherwise.
    uint8_t FindKeypad();
    // Opens the interface at index twice; returns the first handle and stores
    // the second in WriteHandle.
    HidHandle OpenKeypadInterface(int index);
    void CloseKeypad();
    enum class WriteResult {
        NoKeypad, // no output report length yet: nothing was written
        Written,
        Failed,
    };
    // Sends the half of image that the job phase calls for: the first half in
    // phase 1, the second in phase 2, zeros in any other.
    WriteResult WriteReport(uint8_t programState, const ReportImage& image);

    HidHandle DeviceHandle = kInvalidHandle;
    HidHandle WriteHandle = kInvalidHandle;
    uint32_t OutputReportLength = 0;
    int discoveryAttempts = 0; // how many times FindKeypad has run

    HidBackend& backend() { return backend_; }

private:
    HidBackend& backend_;
};

} // namespace pm
