#include "device/keypad_link.h"

#include <algorithm>
#include <vector>

namespace pm {

namespace {

bool isKeypad(const HidAttributes& attr, const HidCaps& caps)
{
    return caps.status == kHidpStatusSuccess && attr.vendorId == kKeypadVendor
        && attr.productId == kKeypadProduct && attr.versionNumber == kKeypadVersion
        && caps.usage == kKeypadUsage && caps.usagePage == kKeypadUsagePage;
}

} // namespace

HidHandle KeypadLink::OpenKeypadInterface(int index)
{
    const std::optional<std::string> path = backend_.interfacePath(index);
    if (!path) {
        return kInvalidHandle;
    }
    const HidHandle first = backend_.open(*path, OpenMode::Overlapped);
    // Kept as it comes: a failed second opening only shows up when writing.
    WriteHandle = backend_.open(*path, OpenMode::Synchronous);
    return first;
}

uint8_t KeypadLink::FindKeypad()
{
    ++discoveryAttempts;
    uint8_t result = 0;
    if (!backend_.beginEnumeration()) {
        return 0;
    }
    for (int index = 0; index < kInterfaceIndices; ++index) {
        DeviceHandle = OpenKeypadInterface(index);
        if (DeviceHandle == kInvalidHandle) {
            CloseKeypad(); // the second opening may have succeeded
            continue;
        }
        HidAttributes attr;
        HidCaps caps;
        if (backend_.getAttributes(DeviceHandle, attr) && backend_.getCaps(DeviceHandle, caps)
            && isKeypad(attr, caps)) {
            OutputReportLength = caps.outputReportByteLength;
            result = 1;
            break;
        }
        // Not the keypad: both handles of this interface go.
        CloseKeypad();
    }
    backend_.endEnumeration();
    return result;
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
