// Windows SetupAPI/HID backend.
//
// Enumeration is the set of present HID device interfaces; the index is the
// member index within that set. A handle is the HANDLE itself, with
// INVALID_HANDLE_VALUE standing for kInvalidHandle (both are -1).
#include "device/hid_platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}
#include <hidpi.h>

#include <memory>
#include <vector>

namespace pm {

namespace {

HANDLE toWin(HidHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

HidHandle fromWin(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<HidHandle>(handle);
}

class WindowsHid : public HidBackend {
public:
    WindowsHid() = default;
    ~WindowsHid() override { endEnumeration(); }
    WindowsHid(const WindowsHid&) = delete;
    WindowsHid& operator=(const WindowsHid&) = delete;

    bool beginEnumeration() override
    {
        endEnumeration();
        HidD_GetHidGuid(&hidClass_);
        set_ = SetupDiGetClassDevsA(&hidClass_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        return set_ != INVALID_HANDLE_VALUE;
    }

    void endEnumeration() override
    {
        if (set_ != INVALID_HANDLE_VALUE) {
            SetupDiDestroyDeviceInfoList(set_);
            set_ = INVALID_HANDLE_VALUE;
        }
    }

    std::optional<std::string> interfacePath(int index) override
    {
        if (set_ == INVALID_HANDLE_VALUE || index < 0) {
            return std::nullopt;
        }
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = static_cast<DWORD>(sizeof(iface));
        if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &hidClass_, static_cast<DWORD>(index), &iface)) {
            return std::nullopt;
        }
        // The first call only learns the size; it fails by design.
        DWORD required = 0;
        if (SetupDiGetDeviceInterfaceDetailA(set_, &iface, nullptr, 0, &required, nullptr)
            || required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            return std::nullopt;
        }
        // DWORD elements keep the structure aligned.
        std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        // The size of the fixed part, which differs between 32- and 64-bit builds.
        detail->cbSize = static_cast<DWORD>(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
        if (!SetupDiGetDeviceInterfaceDetailA(set_, &iface, detail, required, nullptr, nullptr)) {
            return std::nullopt;
        }
        return std::string(detail->DevicePath);
    }

    HidHandle open(const std::string& path, OpenMode mode) override
    {
        const bool overlapped = mode == OpenMode::Overlapped;
        const DWORD access = overlapped ? GENERIC_WRITE : (GENERIC_WRITE | FILE_READ_DATA);
        const DWORD flags = overlapped ? FILE_FLAG_OVERLAPPED : 0;
        return fromWin(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            OPEN_EXISTING, flags, nullptr));
    }

    bool getAttributes(HidHandle handle, HidAttributes& out) override
    {
        if (handle == kInvalidHandle) {
            return false;
        }
        HIDD_ATTRIBUTES attr{};
        attr.Size = static_cast<ULONG>(sizeof(attr));
        if (!HidD_GetAttributes(toWin(handle), &attr)) {
            return false;
        }
        out.vendorId = attr.VendorID;
        out.productId = attr.ProductID;
        out.versionNumber = attr.VersionNumber;
        return true;
    }

    bool getCaps(HidHandle handle, HidCaps& out) override
    {
        if (handle == kInvalidHandle) {
            return false;
        }
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (!HidD_GetPreparsedData(toWin(handle), &preparsed)) {
            return false;
        }
        HIDP_CAPS caps{};
        const auto status = HidP_GetCaps(preparsed, &caps);
        HidD_FreePreparsedData(preparsed);
        out.status = static_cast<uint32_t>(status);
        out.usage = caps.Usage;
        out.usagePage = caps.UsagePage;
        out.outputReportByteLength = caps.OutputReportByteLength;
        return true;
    }

    bool write(HidHandle handle, const uint8_t* data, size_t length) override
    {
        // INVALID_HANDLE_VALUE also names the current process; never pass it on.
        if (handle == kInvalidHandle) {
            return false;
        }
        DWORD written = 0;
        return WriteFile(toWin(handle), data, static_cast<DWORD>(length), &written, nullptr) != FALSE;
    }

    void close(HidHandle handle) override
    {
        if (handle != kInvalidHandle) {
            CloseHandle(toWin(handle));
        }
    }

private:
    GUID hidClass_{};
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

} // namespace

std::unique_ptr<HidBackend> createPlatformHidBackend()
{
    return std::make_unique<WindowsHid>();
}

} // namespace pm
