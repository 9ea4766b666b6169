// Linux hidraw backend.
//
// The interface at enumeration index N is the Nth hidraw node present, in
// the order of the node numbers. The descriptive values come from sysfs
// (readable without root and without opening the node); only the keypad's
// own node in /dev is opened, to write to it.
#include "device/hid_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "device/hid_platform.h"

namespace fs = std::filesystem;

namespace pm {

namespace {

// A sysfs attribute's bytes, read to the end (sysfs reports 4096 bytes
// for any size and may hand them out in short reads); nullopt when it is
// missing or unreadable, which describe() takes as unknown. Unlike
// readWholeFile, the name is taken exactly as written and nothing throws.
std::optional<std::string> readAttribute(const fs::path& path)
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

struct HidId {
    uint16_t bus = 0;
    uint32_t vendor = 0; // the kernel gives 32 bits; none may be cut off before comparing
    uint32_t product = 0;
};

// The uevent line HID_ID=BBBB:VVVVVVVV:PPPPPPPP.
std::optional<HidId> parseHidId(const std::string& uevent)
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
            return std::nullopt;
        }
        const auto b = parseHex(value.substr(0, firstColon));
        const auto v = parseHex(value.substr(firstColon + 1, secondColon - firstColon - 1));
        const auto p = parseHex(value.substr(secondColon + 1));
        if (!b || !v || !p) {
            return std::nullopt;
        }
        return HidId{static_cast<uint16_t>(*b & 0xFFFF), *v, *p};
    }
    return std::nullopt;
}

bool hasLine(const std::string& text, std::string_view wanted)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line == wanted) {
            return true;
        }
    }
    return false;
}

// bcdDevice of the USB device a USB HID device sits below. The USB interface
// and any hub above the device are not it: the nearest directory whose uevent
// says usb_device is. Trees without uevent files there (older fixtures) are
// recognised by the USB device's own attributes.
uint16_t usbVersionAbove(const fs::path& hidDevice, const fs::path& sysRoot)
{
    const std::string root = sysRoot.string();
    for (fs::path dir = hidDevice.parent_path();; dir = dir.parent_path()) {
        const std::string text = dir.string();
        if (text.size() <= root.size() || text.compare(0, root.size(), root) != 0) {
            return 0; // walked out of sysfs
        }
        const auto uevent = readAttribute(dir / "uevent");
        std::error_code ec;
        const bool usbDevice = uevent ? hasLine(*uevent, "DEVTYPE=usb_device")
                                      : fs::exists(dir / "bcdDevice", ec) && fs::exists(dir / "idVendor", ec)
                && fs::exists(dir / "idProduct", ec);
        if (usbDevice) {
            const auto bcd = readAttribute(dir / "bcdDevice");
            const auto value = bcd ? parseHex(*bcd) : std::nullopt;
            return value ? static_cast<uint16_t>(*value & 0xFFFF) : 0;
        }
        if (dir == dir.parent_path()) {
            return 0;
        }
    }
}

// The kernel's own limits (drivers/hid/hid-core.c); a descriptor beyond them
// never gets a hidraw node, so it is refused here too.
constexpr uint32_t kMaxReportSize = 256; // bits per field
constexpr uint32_t kMaxReportCount = 12288;
constexpr uint32_t kMaxReportIds = 256;
constexpr uint64_t kMaxReportBits = (16384 - 1) * 8;
constexpr size_t kGlobalStackDepth = 4;

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
                if (size_ - pos < 2) {
                    return std::nullopt;
                }
                const size_t length = data_[pos];
                pos += 2;
                if (size_ - pos < length) {
                    return std::nullopt;
                }
                pos += length;
                continue;
            }
            const size_t sizeCode = prefix & 0x03;
            const size_t length = sizeCode == 3 ? 4 : sizeCode;
            if (size_ - pos < length) {
                return std::nullopt;
            }
            uint32_t value = 0;
            for (size_t i = 0; i < length; ++i) {
                value |= uint32_t{data_[pos + i]} << (8 * i);
            }
            pos += length;
            if (!item((prefix >> 2) & 0x03, prefix >> 4, value, length)) {
                return std::nullopt;
            }
        }
        if (depth_ != 0 || info_.collections.empty()) {
            return std::nullopt;
        }
        for (const auto& [key, bits] : outputBits_) {
            // The report ID byte is counted even when the device uses no IDs.
            // Bits are capped by kMaxReportBits, so the length fits.
            const auto bytes = static_cast<uint16_t>(1 + (bits + 7) / 8);
            uint16_t& length = info_.collections[key.first].outputReportByteLength;
            length = std::max(length, bytes);
        }
        return std::move(info_);
    }

private:
    struct Globals {
        uint32_t usagePage = 0;
        uint32_t reportSize = 0;
        uint32_t reportCount = 0;
        uint32_t reportId = 0;
    };

    bool item(int type, int tag, uint32_t value, size_t length)
    {
        switch (type) {
        case 0: {
            const bool ok = mainItem(tag);
            usage_.reset();
            return ok;
        }
        case 1: return globalItem(tag, value);
        case 2:
            if (tag == 0x0 && !usage_) { // the first Usage names a collection
                usage_ = value;
                usageHasPage_ = length == 4;
            }
            return true;
        default: return true;
        }
    }

    bool mainItem(int tag)
    {
        switch (tag) {
        case 0xA: // Collection
            if (depth_ == 0) {
                const uint32_t usage = usage_.value_or(0);
                const uint32_t page = usageHasPage_ && usage_ ? usage >> 16 : globals_.usagePage;
                info_.collections.push_back(
                    {static_cast<uint16_t>(page & 0xFFFF), static_cast<uint16_t>(usage & 0xFFFF), 0});
            }
            ++depth_;
            return true;
        case 0xC: // End Collection
            if (depth_ == 0) {
                return false;
            }
            --depth_;
            return true;
        case 0x8: // Input
        case 0x9: // Output
        case 0xB: // Feature
        {
            // Within the limits above a field has at most 2^8 * 12288 bits and a
            // report stops growing past kMaxReportBits, so nothing wraps.
            const uint64_t bits = uint64_t{globals_.reportSize} * globals_.reportCount;
            uint64_t& total = reportBits_[{tag, globals_.reportId}];
            total += bits;
            if (total > kMaxReportBits) {
                return false;
            }
            if (tag == 0x9 && depth_ > 0) {
                outputBits_[{info_.collections.size() - 1, globals_.reportId}] += bits;
            }
            return true;
        }
        default: return true;
        }
    }

    bool globalItem(int tag, uint32_t value)
    {
        switch (tag) {
        case 0x0: globals_.usagePage = value; return true;
        case 0x7: globals_.reportSize = value; return value <= kMaxReportSize;
        case 0x8: globals_.reportId = value; return value != 0 && value < kMaxReportIds;
        case 0x9: globals_.reportCount = value; return value <= kMaxReportCount;
        case 0xA: // Push
            if (stack_.size() == kGlobalStackDepth) {
                return false;
            }
            stack_.push_back(globals_);
            return true;
        case 0xB: // Pop
            if (stack_.empty()) {
                return false;
            }
            globals_ = stack_.back();
            stack_.pop_back();
            return true;
        default: return true;
        }
    }

    const uint8_t* data_;
    size_t size_;
    Globals globals_;
    std::vector<Globals> stack_;
    std::optional<uint32_t> usage_;
    bool usageHasPage_ = false;
    int depth_ = 0;
    std::map<std::pair<int, uint32_t>, uint64_t> reportBits_;    // (main tag, report ID) -> bits
    std::map<std::pair<size_t, uint32_t>, uint64_t> outputBits_; // (collection, report ID) -> bits
    ReportDescriptorInfo info_;
};

OpenError openErrorFrom(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return OpenError::Gone;
    case EACCES:
    case EPERM: return OpenError::AccessDenied;
    default: return OpenError::Other;
    }
}

} // namespace

std::optional<ReportDescriptorInfo> parseReportDescriptor(const uint8_t* data, size_t size)
{
    if (data == nullptr) {
        return std::nullopt;
    }
    return DescriptorParser(data, size).run();
}

LinuxHidraw::LinuxHidraw(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot))
    , devRoot_(std::move(devRoot))
{
}

LinuxHidraw::~LinuxHidraw()
{
    for (const auto& [fd, node] : open_) {
        ::close(static_cast<int>(fd));
    }
}

bool LinuxHidraw::beginEnumeration()
{
    nodesPresent_.reset();
    std::error_code ec;
    fs::directory_iterator it(fs::path(sysRoot_) / "class" / "hidraw", ec);
    if (ec) {
        return false;
    }
    std::vector<std::pair<unsigned, std::string>> found;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return false;
        }
        const std::string name = it->path().filename().string();
        const std::string_view prefix = "hidraw";
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        unsigned number = 0;
        const char* last = name.data() + name.size();
        const auto [end, err] = std::from_chars(name.data() + prefix.size(), last, number);
        if (err == std::errc() && end == last) {
            found.emplace_back(number, name);
        }
    }
    std::sort(found.begin(), found.end());
    nodesPresent_.emplace();
    for (auto& [number, name] : found) {
        nodesPresent_->push_back(std::move(name));
    }
    return true;
}

void LinuxHidraw::endEnumeration()
{
    nodesPresent_.reset();
}

std::optional<std::string> LinuxHidraw::hidDeviceDir(const std::string& node) const
{
    // In real sysfs "device" is a symlink into /sys/devices; resolving it
    // gives the path whose parents lead to the USB device.
    std::error_code ec;
    const fs::path dir = fs::canonical(fs::path(sysRoot_) / "class" / "hidraw" / node / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    return dir.string();
}

std::optional<HidInterfaceInfo> LinuxHidraw::describe(int index)
{
    if (!nodesPresent_ || index < 0 || static_cast<size_t>(index) >= nodesPresent_->size()) {
        return std::nullopt;
    }
    const std::string& node = (*nodesPresent_)[static_cast<size_t>(index)];
    HidInterfaceInfo info;
    info.path = (fs::path(devRoot_) / node).string();
    // A node that went away since the snapshot keeps its place, described by
    // its path alone, so later indices do not move.
    const auto dir = hidDeviceDir(node);
    if (!dir) {
        return info;
    }
    info.identity = *dir;
    if (const auto uevent = readAttribute(fs::path(*dir) / "uevent")) {
        if (const auto id = parseHidId(*uevent)) {
            info.bus = id->bus;
            info.vendorId = id->vendor;
            info.productId = id->product;
        }
    }
    // Only USB has a bcdDevice that belongs to the HID device; a Bluetooth
    // keypad below a USB adapter must not take the adapter's.
    std::error_code ec;
    const fs::path root = fs::canonical(sysRoot_, ec);
    if (info.bus == 0x0003 && !ec) {
        info.versionNumber = usbVersionAbove(*dir, root);
    }
    if (const auto bytes = readAttribute(fs::path(*dir) / "report_descriptor")) {
        auto parsed = parseReportDescriptor(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
        if (parsed) {
            info.collections = std::move(parsed->collections);
        }
    }
    return info;
}

HidHandle LinuxHidraw::open(const std::string& path, OpenMode, OpenError* why)
{
    // hidraw makes no difference between the two openings. A link is never
    // followed, and in /dev only a character device is a node; a test root
    // may stand a plain file or a FIFO in for one.
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    int error = errno;
    if (fd >= 0) {
        struct stat st { };
        const bool known = ::fstat(fd, &st) == 0;
        const bool stub = devRoot_ != "/dev" && (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode));
        if (!known || !(S_ISCHR(st.st_mode) || stub)) {
            ::close(fd);
            fd = -1;
            error = ENOTSUP;
        }
    }
    if (why != nullptr) {
        *why = fd < 0 ? openErrorFrom(error) : OpenError::None;
    }
    if (fd < 0) {
        return kInvalidHandle;
    }
    const std::string node = fs::path(path).filename().string();
    open_[fd] = {node, hidDeviceDir(node).value_or(std::string())};
    return fd;
}

bool LinuxHidraw::write(HidHandle handle, const uint8_t* data, size_t length)
{
    if (open_.find(handle) == open_.end()) {
        return false;
    }
    ssize_t written = 0;
    do {
        written = ::write(static_cast<int>(handle), data, length);
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<size_t>(written) == length;
}

bool LinuxHidraw::stillPresent(HidHandle handle)
{
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        return false;
    }
    // An unplugged hidraw node reports a hang-up at once; no waiting.
    pollfd p{static_cast<int>(handle), 0, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return false;
    }
    // A node number reused by the next device plugged in is not the same device.
    const auto dir = hidDeviceDir(it->second.name);
    return dir && !it->second.identity.empty() && *dir == it->second.identity;
}

bool LinuxHidraw::writableByUser(const std::string& path)
{
    return mayWrite(path);
}

void LinuxHidraw::close(HidHandle handle)
{
    const auto it = open_.find(handle);
    if (it == open_.end()) {
        return;
    }
    ::close(static_cast<int>(handle));
    open_.erase(it);
}

std::unique_ptr<HidBackend> createPlatformHidBackend()
{
    // Test roots: a fixture tree can stand in for /sys and /dev.
    // Not taken from the environment of a set-id program.
    const char* sys = ::secure_getenv("PADMACRO_SYSFS");
    const char* dev = ::secure_getenv("PADMACRO_DEV");
    return std::make_unique<LinuxHidraw>(
        sys != nullptr && *sys != '\0' ? sys : "/sys", dev != nullptr && *dev != '\0' ? dev : "/dev");
}

} // namespace pm
