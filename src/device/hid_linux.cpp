// Linux hidraw backend.
//
// The interface at enumeration index N is the node hidrawN, so the order is
// that of the node numbers and a missing number is a missing index. The
// descriptive values come from sysfs (readable without root); only the write
// goes through /dev/hidrawN.
#include "device/hid_linux.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "device/hid_platform.h"

namespace fs = std::filesystem;

namespace pm {

namespace {

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<uint32_t> parseHex(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    uint32_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value, 16);
    if (text.empty() || ec != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

// Vendor and product from the uevent line HID_ID=BBBB:VVVVVVVV:PPPPPPPP.
bool parseHidId(const std::string& uevent, uint16_t& vendor, uint16_t& product)
{
    std::istringstream lines(uevent);
    std::string line;
    const std::string key = "HID_ID=";
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size(), key) != 0) {
            continue;
        }
        const std::string_view value = std::string_view(line).substr(key.size());
        const size_t firstColon = value.find(':');
        const size_t secondColon
            = firstColon == std::string_view::npos ? firstColon : value.find(':', firstColon + 1);
        if (secondColon == std::string_view::npos) {
            return false;
        }
        const auto v = parseHex(value.substr(firstColon + 1, secondColon - firstColon - 1));
        const auto p = parseHex(value.substr(secondColon + 1));
        if (!v || !p) {
            return false;
        }
        vendor = static_cast<uint16_t>(*v & 0xFFFF);
        product = static_cast<uint16_t>(*p & 0xFFFF);
        return true;
    }
    return false;
}

// A HID device on USB sits below its USB device, which carries bcdDevice.
// Devices on other buses (bluetooth, i2c, uhid) have none above them; they
// get version 0, which never matches the keypad, but their other attributes
// stay readable.
uint16_t versionAbove(const fs::path& hidDevice, const fs::path& sysRoot)
{
    const std::string root = sysRoot.string();
    for (fs::path dir = hidDevice;; dir = dir.parent_path()) {
        const std::string text = dir.string();
        if (text.size() < root.size() || text.compare(0, root.size(), root) != 0) {
            return 0; // walked out of sysfs
        }
        if (const auto bcd = readFile(dir / "bcdDevice")) {
            const auto value = parseHex(*bcd);
            return value ? static_cast<uint16_t>(*value & 0xFFFF) : 0;
        }
        if (dir == dir.parent_path()) {
            return 0;
        }
    }
}

class DescriptorParser {
public:
    DescriptorParser(const uint8_t* data, size_t size)
        : data_(data)
        , size_(size)
    {
    }

    std::optional<ReportDescriptorInfo> run()
    {
        size_t pos = 0;
        while (pos < size_) {
            const uint8_t prefix = data_[pos++];
            if (prefix == 0xFE) { // long item: size byte, tag byte, data
                if (pos + 2 > size_) {
                    return std::nullopt;
                }
                pos += 2 + size_t{data_[pos]};
                if (pos > size_) {
                    return std::nullopt;
                }
                continue;
            }
            const size_t sizeCode = prefix & 0x03;
            const size_t length = sizeCode == 3 ? 4 : sizeCode;
            if (pos + length > size_) {
                return std::nullopt;
            }
            uint32_t value = 0;
            for (size_t i = 0; i < length; ++i) {
                value |= uint32_t{data_[pos + i]} << (8 * i);
            }
            pos += length;
            item((prefix >> 2) & 0x03, prefix >> 4, value, length);
        }
        if (!haveTop_) {
            return std::nullopt;
        }
        uint64_t largestBits = 0;
        for (const auto& [id, bits] : outputBits_) {
            largestBits = std::max(largestBits, bits);
        }
        if (!outputBits_.empty()) {
            // The report ID byte is counted even when the device uses no IDs.
            const uint64_t bytes = 1 + (largestBits + 7) / 8;
            info_.outputReportByteLength = static_cast<uint16_t>(std::min<uint64_t>(bytes, 0xFFFF));
        }
        return info_;
    }

private:
    struct Globals {
        uint16_t usagePage = 0;
        uint32_t reportSize = 0;
        uint32_t reportCount = 0;
        uint32_t reportId = 0;
    };

    void item(int type, int tag, uint32_t value, size_t length)
    {
        switch (type) {
        case 0:
            mainItem(tag);
            usage_.reset();
            break;
        case 1: globalItem(tag, value); break;
        case 2:
            if (tag == 0x0 && !usage_) { // the first Usage names a collection
                usage_ = value;
                usageHasPage_ = length == 4;
            }
            break;
        default: break;
        }
    }

    void mainItem(int tag)
    {
        if (tag == 0xA) { // Collection
            if (depth_ == 0 && !haveTop_) {
                haveTop_ = true;
                const uint32_t usage = usage_.value_or(0);
                info_.usage = static_cast<uint16_t>(usage & 0xFFFF);
                info_.usagePage = usageHasPage_ ? static_cast<uint16_t>(usage >> 16) : globals_.usagePage;
            }
            ++depth_;
        } else if (tag == 0xC) { // End Collection
            if (depth_ > 0) {
                --depth_;
            }
        } else if (tag == 0x9) { // Output
            outputBits_[globals_.reportId] += uint64_t{globals_.reportSize} * globals_.reportCount;
        }
    }

    void globalItem(int tag, uint32_t value)
    {
        switch (tag) {
        case 0x0: globals_.usagePage = static_cast<uint16_t>(value); break;
        case 0x7: globals_.reportSize = value; break;
        case 0x8: globals_.reportId = value; break;
        case 0x9: globals_.reportCount = value; break;
        case 0xA: stack_.push_back(globals_); break;
        case 0xB:
            if (!stack_.empty()) {
                globals_ = stack_.back();
                stack_.pop_back();
            }
            break;
        default: break;
        }
    }

    const uint8_t* data_;
    size_t size_;
    Globals globals_;
    std::vector<Globals> stack_;
    std::optional<uint32_t> usage_;
    bool usageHasPage_ = false;
    int depth_ = 0;
    bool haveTop_ = false;
    std::map<uint32_t, uint64_t> outputBits_; // report ID -> data bits
    ReportDescriptorInfo info_;
};

} // namespace

std::optional<ReportDescriptorInfo> parseReportDescriptor(const uint8_t* data, size_t size)
{
    return DescriptorParser(data, size).run();
}

LinuxHidraw::LinuxHidraw(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot))
    , devRoot_(std::move(devRoot))
{
}

LinuxHidraw::~LinuxHidraw()
{
    for (const auto& [fd, node] : nodes_) {
        ::close(static_cast<int>(fd));
    }
}

bool LinuxHidraw::beginEnumeration()
{
    std::error_code ec;
    enumerating_ = fs::is_directory(fs::path(sysRoot_) / "class" / "hidraw", ec);
    return enumerating_;
}

void LinuxHidraw::endEnumeration()
{
    enumerating_ = false;
}

std::optional<std::string> LinuxHidraw::interfacePath(int index)
{
    if (!enumerating_ || index < 0) {
        return std::nullopt;
    }
    const std::string node = "hidraw" + std::to_string(index);
    std::error_code ec;
    if (!fs::exists(fs::path(sysRoot_) / "class" / "hidraw" / node, ec)) {
        return std::nullopt;
    }
    return (fs::path(devRoot_) / node).string();
}

HidHandle LinuxHidraw::open(const std::string& path, OpenMode)
{
    // hidraw makes no difference between the two openings.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return kInvalidHandle;
    }
    nodes_[fd] = fs::path(path).filename().string();
    return fd;
}

std::optional<std::string> LinuxHidraw::hidDeviceDir(HidHandle handle) const
{
    const auto it = nodes_.find(handle);
    if (it == nodes_.end()) {
        return std::nullopt;
    }
    // In real sysfs "device" is a symlink into /sys/devices; resolving it
    // gives the path whose parents lead to the USB device.
    std::error_code ec;
    const fs::path dir = fs::canonical(fs::path(sysRoot_) / "class" / "hidraw" / it->second / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    return dir.string();
}

bool LinuxHidraw::getAttributes(HidHandle handle, HidAttributes& out)
{
    const auto dir = hidDeviceDir(handle);
    if (!dir) {
        return false;
    }
    const auto uevent = readFile(fs::path(*dir) / "uevent");
    HidAttributes attr;
    if (!uevent || !parseHidId(*uevent, attr.vendorId, attr.productId)) {
        return false;
    }
    std::error_code ec;
    fs::path root = fs::canonical(sysRoot_, ec);
    if (ec) {
        return false;
    }
    attr.versionNumber = versionAbove(*dir, root);
    out = attr;
    return true;
}

bool LinuxHidraw::getCaps(HidHandle handle, HidCaps& out)
{
    const auto dir = hidDeviceDir(handle);
    if (!dir) {
        return false;
    }
    const auto bytes = readFile(fs::path(*dir) / "report_descriptor");
    if (!bytes) {
        return false;
    }
    const auto info = parseReportDescriptor(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    if (!info) {
        return false;
    }
    out.status = kHidpStatusSuccess;
    out.usagePage = info->usagePage;
    out.usage = info->usage;
    out.outputReportByteLength = info->outputReportByteLength;
    return true;
}

bool LinuxHidraw::write(HidHandle handle, const uint8_t* data, size_t length)
{
    if (nodes_.find(handle) == nodes_.end()) {
        return false;
    }
    ssize_t written = 0;
    do {
        written = ::write(static_cast<int>(handle), data, length);
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<size_t>(written) == length;
}

void LinuxHidraw::close(HidHandle handle)
{
    const auto it = nodes_.find(handle);
    if (it == nodes_.end()) {
        return;
    }
    ::close(static_cast<int>(handle));
    nodes_.erase(it);
}

std::unique_ptr<HidBackend> createPlatformHidBackend()
{
    return std::make_unique<LinuxHidraw>();
}

} // namespace pm
