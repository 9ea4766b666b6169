#include "device/keypad_link.h"

#include <algorithm>
#include <vector>

#include "base/text.h"

namespace pm {

namespace {

void differs(std::string& out, const char* what, uint32_t value, uint32_t keypad)
{
    if (value == keypad) {
        return;
    }
    if (!out.empty()) {
        out += "; ";
    }
    out += std::string(what) + " " + hexId(value) + ", the keypad has " + hexId(keypad);
}

} // namespace

std::string hexId(uint32_t value)
{
    if (value <= 0xFFFF) {
        return hex4(value);
    }
    return hex4(value >> 16) + hex4(value & 0xFFFF);
}

std::string hidUsageName(uint16_t usagePage, uint16_t usage)
{
    return "usage page " + hex4(usagePage) + " usage " + hex4(usage);
}

KeypadMatch matchKeypad(const HidInterfaceInfo& info)
{
    KeypadMatch match;
    differs(match.mismatch, "vendor", info.vendorId, kKeypadVendor);
    differs(match.mismatch, "product", info.productId, kKeypadProduct);
    differs(match.mismatch, "version", info.versionNumber, kKeypadVersion);
    for (size_t i = 0; i < info.collections.size(); ++i) {
        const HidCollection& c = info.collections[i];
        if (c.usagePage == kKeypadUsagePage && c.usage == kKeypadUsage) {
            match.collection = static_cast<int>(i);
            break;
        }
    }
    if (match.collection < 0) {
        std::string seen;
        for (const HidCollection& c : info.collections) {
            seen += (seen.empty() ? "" : ", ") + hidUsageName(c.usagePage, c.usage);
        }
        if (seen.empty()) {
            seen = "no readable report descriptor";
        }
        match.mismatch += (match.mismatch.empty() ? "" : "; ") + seen + ", the keypad's collection is "
            + hex4(kKeypadUsagePage) + "/" + hex4(kKeypadUsage);
    }
    match.matches = match.mismatch.empty();
    return match;
}

HidHandle KeypadLink::OpenKeypadInterface(const std::string& path, OpenError* why)
{
    const HidHandle first = backend_.open(path, OpenMode::Query, why);
    // Kept as it comes: a failed second opening only shows up when writing.
    WriteHandle = backend_.open(path, OpenMode::Write);
    return first;
}

uint8_t KeypadLink::FindKeypad()
{
    ++discoveryAttempts;
    deniedKeypad.reset();
    uint8_t result = 0;
    if (!backend_.beginEnumeration()) {
        return 0;
    }
    for (int index = 0; index < kInterfaceIndices; ++index) {
        const std::optional<HidInterfaceInfo> info = backend_.describe(index);
        if (!info) {
            continue;
        }
        // Only the keypad is opened: other devices' nodes are none of our business.
        const KeypadMatch match = matchKeypad(*info);
        if (!match) {
            continue;
        }
        OpenError why = OpenError::None;
        DeviceHandle = OpenKeypadInterface(info->path, &why);
        if (DeviceHandle == kInvalidHandle) {
            if (why == OpenError::AccessDenied && !deniedKeypad) {
                deniedKeypad = info;
            }
            CloseKeypad(); // the second opening may have succeeded
            continue;
        }
        OutputReportLength = info->collections[static_cast<size_t>(match.collection)].outputReportByteLength;
        keypad = info;
        result = 1;
        break;
    }
    backend_.endEnumeration();
    return result;
}

bool KeypadLink::keypadGone()
{
    const HidHandle handle = DeviceHandle != kInvalidHandle ? DeviceHandle : WriteHandle;
    return handle != kInvalidHandle && !backend_.stillPresent(handle);
}

void KeypadLink::CloseKeypad()
{
    if (DeviceHandle != kInvalidHandle) {
        backend_.close(DeviceHandle);
        DeviceHandle = kInvalidHandle;
    }
    if (WriteHandle != kInvalidHandle) {
        backend_.close(WriteHandle);
        WriteHandle = kInvalidHandle;
    }
}

KeypadLink::WriteResult KeypadLink::WriteReport(uint8_t programState, const ReportImage& image)
{
    if (OutputReportLength == 0) {
        return WriteResult::NoKeypad;
    }
    std::vector<uint8_t> report(OutputReportLength, 0);
    // A report longer than one half carries zeros after it, so the image is
    // never read past its last byte.
    const uint32_t carried = std::min(OutputReportLength - 1, kReportImageHalf);
    if (programState == 1) {
        for (uint32_t i = 1; i <= carried; ++i) {
            report[i] = image[i];
        }
    } else if (programState == 2) {
        for (uint32_t i = 1; i <= carried; ++i) {
            report[i] = image[kReportImageHalf + i];
        }
    }
    report[0] = 0; // report ID
    // The backend refuses an invalid handle by itself, so a keypad whose
    // second opening failed still has each report recorded as failed.
    return backend_.write(WriteHandle, report.data(), report.size()) ? WriteResult::Written
                                                                     : WriteResult::Failed;
}

} // namespace pm
