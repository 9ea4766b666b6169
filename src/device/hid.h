#pragma once
// The small HID interface the device link is written against. Backends:
// hidraw on Linux, SetupAPI/HID on Windows, and the simulated keypad.
// No platform header appears here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pm {

using HidHandle = std::intptr_t;
inline constexpr HidHandle kInvalidHandle = -1;

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

inline constexpr uint32_t kHidpStatusSuccess = 0x00110000;

struct HidCaps {
    uint32_t status = 0; // kHidpStatusSuccess when the capabilities were read
    uint16_t usage = 0;
    uint16_t usagePage = 0;
    uint16_t outputReportByteLength = 0; // report ID byte included
};

enum class OpenMode {
    Overlapped,  // the first opening, used to query the device
    Synchronous, // the second opening, written to
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Takes a snapshot of the present HID interfaces; false when none can be had.
    virtual bool beginEnumeration() = 0;
    virtual void endEnumeration() = 0;
    // Device path of the interface at enumeration index, or nullopt when there is none.
    virtual std::optional<std::string> interfacePath(int index) = 0;

    virtual HidHandle open(const std::string& path, OpenMode mode) = 0;
    virtual bool getAttributes(HidHandle handle, HidAttributes& out) = 0;
    // Preparsed data and capabilities together; false when the preparsed data cannot be had.
    virtual bool getCaps(HidHandle handle, HidCaps& out) = 0;
    // One output report, report ID byte first; true when the driver accepted it.
    // kInvalidHandle (or any handle not open here) fails without reaching the device.
    virtual bool write(HidHandle handle, const uint8_t* data, size_t length) = 0;
    virtual void close(HidHandle handle) = 0;
};

} // namespace pm
