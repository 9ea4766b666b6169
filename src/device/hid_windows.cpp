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

bool deviceGone(DWORD error)
{
    switch (error) {
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return true;
    default: return false;
    }
}

// The ids of the device behind handle; false, with the reason in
// GetLastError, when they cannot be read.
bool attributesOf(HANDLE handle, HIDD_ATTRIBUTES& attr)
{
    attr.Size = static_cast<ULONG>(sizeof(attr));
    return HidD_GetAttributes(handle, &attr) != FALSE;
}

OpenError openErrorFrom(DWORD error)
{
    if (error == ERROR_ACCESS_DENIED) {
        return OpenError::AccessDenied;
    }
    return deviceGone(error) ? OpenError::Gone : OpenError::Other;
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

    std::optional<HidInterfaceInfo> describe(int index) override
    {
        const std::optional<std::string> path = interfacePath(index);
        if (!path) {
            return std::nullopt;
        }
        HidInterfaceInfo info;
        info.path = *path;
        info.identity = *path;
        // Access 0 reads attributes and capabilities even of devices the
        // system holds exclusively (keyboards, mice) and writes nothing.
        const HANDLE probe = CreateFileA(
            path->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            return info;
        }
        HIDD_ATTRIBUTES attr{};
        if (attributesOf(probe, attr)) {
            info.vendorId = attr.VendorID;
            info.productId = attr.ProductID;
            info.versionNumber = attr.VersionNumber;
        }
        // Windows gives every top-level collection an interface of its own.
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (HidD_GetPreparsedData(probe, &preparsed)) {
            HIDP_CAPS caps{};
            if (HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
                info.collections.push_back({caps.UsagePage, caps.Usage, caps.OutputReportByteLength});
            }
            HidD_FreePreparsedData(preparsed);
        }
        CloseHandle(probe);
        return info;
    }

    HidHandle open(const std::string& path, OpenMode mode, OpenError* why) override
    {
        // The query opening is overlapped, the write opening synchronous.
        const bool overlapped = mode == OpenMode::Query;
        const DWORD access = overlapped ? GENERIC_WRITE : (GENERIC_WRITE | FILE_READ_DATA);
        const DWORD flags = overlapped ? FILE_FLAG_OVERLAPPED : 0;
        const HANDLE handle = CreateFileA(
            path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
        if (why != nullptr) {
            *why = handle != INVALID_HANDLE_VALUE ? OpenError::None : openErrorFrom(GetLastError());
        }
        return fromWin(handle);
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

    bool stillPresent(HidHandle handle) override
    {
        if (handle == kInvalidHandle) {
            return false;
        }
        HIDD_ATTRIBUTES attr{};
        if (attributesOf(toWin(handle), attr)) {
            return true;
        }
        // Any other failure says nothing about the device being there.
        return !deviceGone(GetLastError());
    }

    bool writableByUser(const std::string&) override
    {
        // HID collections are open to every user except the ones the system
        // holds exclusively; a refusal shows up when opening.
        return true;
    }

    void close(HidHandle handle) override
    {
        if (handle != kInvalidHandle) {
            CloseHandle(toWin(handle));
        }
    }

private:
    std::optional<std::string> interfacePath(int index)
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

    GUID hidClass_{};
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

} // namespace

std::unique_ptr<HidBackend> createPlatformHidBackend()
{
    return std::make_unique<WindowsHid>();
}

} // namespace pm
