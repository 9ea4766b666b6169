#pragma once
// HID interfaces through the kernel's hidraw nodes: sysfs describes them, the
// /dev nodes are written to. The roots are parameters so that tests can point
// them at fixture trees.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "device/hid.h"

namespace pm {

// What the top level of a HID report descriptor declares.
struct ReportDescriptorInfo {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t outputReportByteLength = 0; // report ID byte included; 0 without output reports
};

// nullopt for a descriptor that is cut short or has no top-level collection.
std::optional<ReportDescriptorInfo> parseReportDescriptor(const uint8_t* data, size_t size);

class LinuxHidraw : public HidBackend {
public:
    explicit LinuxHidraw(std::string sysRoot = "/sys", std::string devRoot = "/dev");
    ~LinuxHidraw() override;
    LinuxHidraw(const LinuxHidraw&) = delete;
    LinuxHidraw& operator=(const LinuxHidraw&) = delete;

    bool beginEnumeration() override;
    void endEnumeration() override;
    std::optional<std::string> interfacePath(int index) override;
    HidHandle open(const std::string& path, OpenMode mode) override;
    bool getAttributes(HidHandle handle, HidAttributes& out) override;
    bool getCaps(HidHandle handle, HidCaps& out) override;
    bool write(HidHandle handle, const uint8_t* data, size_t length) override;
    void close(HidHandle handle) override;

private:
    // The sysfs directory of the HID device behind an open handle.
    std::optional<std::string> hidDeviceDir(HidHandle handle) const;

    std::string sysRoot_;
    std::string devRoot_;
    bool enumerating_ = false;
    std::map<HidHandle, std::string> nodes_; // open fd -> "hidrawN"
};

} // namespace pm
