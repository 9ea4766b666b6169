#include "device/hid_sim.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "device/report_image.h"

namespace pm {

namespace {

constexpr const char* kPathPrefix = "sim:";

// The id behind a "sim:<id>" path, or 0.
int idFromPath(const std::string& path)
{
    const std::string prefix = kPathPrefix;
    if (path.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    int id = 0;
    const char* first = path.data() + prefix.size();
    const char* last = path.data() + path.size();
    const auto [end, ec] = std::from_chars(first, last, id);
    if (ec != std::errc() || end != last) {
        return 0;
    }
    return id;
}

} // namespace

std::unique_ptr<SimulatedKeypad> SimulatedKeypad::pluggedIn()
{
    auto keypad = std::make_unique<SimulatedKeypad>();
    keypad->add(Interface{}, 0);
    keypad->setAck(AckMode::On);
    return keypad;
}

int SimulatedKeypad::add(const Interface& iface, int index)
{
    if (index < 0) {
        index = 0;
        for (const Slot& slot : slots_) { // slots_ is kept in index order
            if (slot.index != index) {
                break;
            }
            ++index;
        }
    }
    // A replaced interface counts as unplugged: it gets a fresh id, so
    // handles open on the old one stop working.
    Slot fresh{index, nextId_++, iface};
    auto it = std::find_if(slots_.begin(), slots_.end(), [index](const Slot& s) { return s.index >= index; });
    if (it != slots_.end() && it->index == index) {
        *it = fresh;
    } else {
        slots_.insert(it, fresh);
    }
    return index;
}

void SimulatedKeypad::remove(int index)
{
    std::erase_if(slots_, [index](const Slot& s) { return s.index == index; });
}

void SimulatedKeypad::removeAll()
{
    slots_.clear();
}

std::vector<SimulatedKeypad::Report> SimulatedKeypad::takeReports()
{
    return std::exchange(reports_, {});
}

std::string SimulatedKeypad::takeAcks()
{
    return std::exchange(acks_, {});
}

size_t SimulatedKeypad::openHandleCount() const
{
    return handles_.size();
}

const SimulatedKeypad::Slot* SimulatedKeypad::slotById(int id) const
{
    for (const Slot& slot : slots_) {
        if (slot.id == id) {
            return &slot;
        }
    }
    return nullptr;
}

const SimulatedKeypad::Slot* SimulatedKeypad::slotByHandle(HidHandle handle) const
{
    for (const OpenHandle& open : handles_) {
        if (open.handle == handle) {
            return slotById(open.id);
        }
    }
    return nullptr;
}

bool SimulatedKeypad::beginEnumeration()
{
    return true;
}

void SimulatedKeypad::endEnumeration() { }

std::optional<HidInterfaceInfo> SimulatedKeypad::describe(int index)
{
    for (const Slot& slot : slots_) {
        if (slot.index != index) {
            continue;
        }
        HidInterfaceInfo info;
        info.path = kPathPrefix + std::to_string(slot.id);
        info.identity = info.path; // a fresh id for every plug-in
        info.bus = 0x0003;
        info.vendorId = slot.iface.vendorId;
        info.productId = slot.iface.productId;
        info.versionNumber = slot.iface.version;
        info.collections.push_back({slot.iface.usagePage, slot.iface.usage,
            static_cast<uint16_t>(std::min<uint32_t>(slot.iface.outputReportLength, 0xFFFF))});
        return info;
    }
    return std::nullopt;
}

HidHandle SimulatedKeypad::open(const std::string& path, OpenMode mode, OpenError* why)
{
    const Slot* slot = slotById(idFromPath(path));
    OpenError error = OpenError::None;
    if (slot == nullptr) {
        error = OpenError::Gone;
    } else if (slot->iface.open == OpenBehaviour::Denied) {
        error = OpenError::AccessDenied;
    } else if (slot->iface.open == OpenBehaviour::Fail
        || (slot->iface.open == OpenBehaviour::WriteFail && mode == OpenMode::Write)) {
        error = OpenError::Other;
    }
    if (why != nullptr) {
        *why = error;
    }
    if (error != OpenError::None) {
        return kInvalidHandle;
    }
    const HidHandle handle = nextHandle_++;
    handles_.push_back({handle, slot->id});
    return handle;
}

bool SimulatedKeypad::stillPresent(HidHandle handle)
{
    return slotByHandle(handle) != nullptr;
}

bool SimulatedKeypad::writableByUser(const std::string& path)
{
    const Slot* slot = slotById(idFromPath(path));
    return slot != nullptr && slot->iface.open != OpenBehaviour::Denied;
}

bool SimulatedKeypad::write(HidHandle handle, const uint8_t* data, size_t length)
{
    Report report;
    report.bytes.assign(data, data + length);
    report.ok = slotByHandle(handle) != nullptr;
    if (report.ok) {
        const bool first = length > 1 && data[1] == kImageStartMarker;
        if (ack_ == AckMode::On) {
            acks_ += first ? 'a' : 'b';
        } else if (ack_ == AckMode::AOnly && first) {
            acks_ += 'a';
        }
    }
    reports_.push_back(std::move(report));
    return reports_.back().ok;
}

void SimulatedKeypad::close(HidHandle handle)
{
    std::erase_if(handles_, [handle](const OpenHandle& h) { return h.handle == handle; });
}

} // namespace pm
