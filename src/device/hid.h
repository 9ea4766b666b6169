#pragma once
// The small HID interface the device link is written against. Backends:
// hidraw on Linux, SetupAPI/HID on Windows, and the simulated keypad.
// No platform header appears here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pm {

using HidHandle = std::intptr_t;
inline constexpr HidHandle kInvalidHandle = -1;

// One top-level collection of an interface's report descriptor.
struct HidCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t outputReportByteLength = 0; // report ID byte included; 0 without output reports
};

// What can be learnt about an interface without opening it.
struct HidInterfaceInfo {
    std::string path;     // what open() takes and what a user is shown
    std::string identity; // differs for every plug-in of a device
    uint16_t bus = 0;     // 0x0003 USB, 0x0005 Bluetooth; 0 when unknown
    uint32_t vendorId = 0; // 32 bits as the platform gives them: none cut off before comparing
    uint32_t productId = 0;
    uint16_t versionNumber = 0;
    std::vector<HidCollection> collections; // empty when the descriptor could not be read
};

// The keypad is opened twice: once to ask whether it is still there, once
// to write reports to. A backend may open both alike.
enum class OpenMode {
    Query,
    Write,
};

enum class OpenError {
    None,
    Gone,         // the interface left between enumeration and opening
    AccessDenied, // present, but this user may not open it
    Other,
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Takes a snapshot of the present HID interfaces; false when none can be had.
    virtual bool beginEnumeration() = 0;
    virtual void endEnumeration() = 0;
    // The interface at enumeration index, read without opening it; nullopt when there is none.
    virtual std::optional<HidInterfaceInfo> describe(int index) = 0;

    // kInvalidHandle on failure, with the reason in *why when why is given.
    virtual HidHandle open(const std::string& path, OpenMode mode, OpenError* why = nullptr) = 0;
    // One output report, report ID byte first; true when the driver accepted it.
    // kInvalidHandle (or any handle not open here) fails without reaching the device.
    virtual bool write(HidHandle handle, const uint8_t* data, size_t length) = 0;
    // False once the device behind an open handle is gone (and for handles not open here).
    virtual bool stillPresent(HidHandle handle) = 0;
    // Whether this user may open path for writing, found out without opening it.
    virtual bool writableByUser(const std::string& path) = 0;
    virtual void close(HidHandle handle) = 0;
};

} // namespace pm
