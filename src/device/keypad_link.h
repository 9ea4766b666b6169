#pragma once
// Finding and opening the keypad's HID interface, and writing one output
// report to it.
#include <cstdint>
#include <optional>
#include <string>

#include "device/hid.h"
#include "device/keypad_ids.h"
#include "device/report_image.h"

namespace pm {

inline constexpr int kInterfaceIndices = 40;

// Whether one interface is the keypad, and if not, why not.
struct KeypadMatch {
    bool matches = false;
    int collection = -1;  // the keypad's collection in HidInterfaceInfo::collections
    std::string mismatch; // what differs, e.g. "version 0100, the keypad has 0101"
    explicit operator bool() const { return matches; }
};
KeypadMatch matchKeypad(const HidInterfaceInfo& info);

// A vendor or product id in hex: four digits, eight when it needs more.
std::string hexId(uint32_t value);
// A collection's usage as messages name it: "usage page 000C usage 0001".
std::string hidUsageName(uint16_t usagePage, uint16_t usage);

class KeypadLink {
public:
    explicit KeypadLink(HidBackend& backend)
        : backend_(backend)
    {
    }

    // 1 when the keypad was found and opened, 0 otherwise.
    uint8_t FindKeypad();
    // Opens the interface at path twice: returns the first handle (with the
    // reason in *why when it failed) and stores the second in WriteHandle.
    HidHandle OpenKeypadInterface(const std::string& path, OpenError* why = nullptr);
    void CloseKeypad();
    enum class WriteResult {
        NoKeypad, // no output report length yet: nothing was written
        Written,
        Failed,
    };
    // Sends the half of image that the job phase calls for: the first half in
    // phase 1, the second in phase 2, zeros in any other.
    WriteResult WriteReport(uint8_t programState, const ReportImage& image);
    // True when the handles are open but the device behind them has been unplugged.
    bool keypadGone();

    HidHandle DeviceHandle = kInvalidHandle;
    HidHandle WriteHandle = kInvalidHandle;
    uint32_t OutputReportLength = 0;
    // How many times FindKeypad has run: what the scenario runner's
    // "print discovery" shows, and the tests' view of the discovery period.
    int discoveryAttempts = 0;
    // The first keypad the latest FindKeypad saw but was not allowed to open,
    // kept whether or not another one was then opened.
    std::optional<HidInterfaceInfo> deniedKeypad;
    // The interface the latest successful FindKeypad opened.
    std::optional<HidInterfaceInfo> keypad;

private:
    HidBackend& backend_;
};

} // namespace pm
