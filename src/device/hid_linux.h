#pragma once
// HID interfaces through the kernel's hidraw nodes: sysfs describes them, the
// /dev nodes are written to. The roots are parameters so that tests can point
// them at fixture trees.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/hid.h"

namespace pm {

// What a HID report descriptor declares: one entry per top-level collection.
struct ReportDescriptorInfo {
    std::vector<HidCollection> collections;
};

// nullopt for a descriptor that is cut short, has no top-level collection, or
// that the kernel would refuse (report size, count or ID out of range, a
// report too long, unbalanced collections or Push/Pop).
std::optional<ReportDescriptorInfo> parseReportDescriptor(const uint8_t* data, size_t size);

class LinuxHidraw : public HidBackend {
public:
    explicit LinuxHidraw(std::string sysRoot = "/sys", std::string devRoot = "/dev");
    ~LinuxHidraw() override;
    LinuxHidraw(const LinuxHidraw&) = delete;
    LinuxHidraw& operator=(const LinuxHidraw&) = delete;

    bool beginEnumeration() override;
    void endEnumeration() override;
    std::optional<HidInterfaceInfo> describe(int index) override;
    HidHandle open(const std::string& path, OpenMode mode, OpenError* why = nullptr) override;
    bool write(HidHandle handle, const uint8_t* data, size_t length) override;
    bool stillPresent(HidHandle handle) override;
    bool writableByUser(const std::string& path) override;
    void close(HidHandle handle) override;

private:
    struct OpenNode {
        std::string name;     // "hidrawN"
        std::string identity; // the HID device dir when it was opened
    };
    // The canonical sysfs directory of the HID device behind node hidrawN.
    std::optional<std::string> hidDeviceDir(const std::string& node) const;

    std::string sysRoot_;
    std::string devRoot_;
    std::optional<std::vector<std::string>> nodesPresent_; // by ascending N while enumerating
    std::map<HidHandle, OpenNode> open_;
};

} // namespace pm
