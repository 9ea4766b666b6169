#pragma once
// A simulated keypad: an ordered list of HID interfaces with their match
// values and failure modes. It records every write, and answers a report that
// reached it by typing 'a' (first data byte 0x55) or 'b' (any other).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/hid.h"

namespace pm {

class SimulatedKeypad : public HidBackend {
public:
    enum class OpenBehaviour { Ok, Fail, WriteFail };
    enum class AckMode { On, Off, AOnly };

    struct Interface {
        uint16_t vendorId = 0xFFFF;
        uint16_t productId = 0x0200;
        uint16_t version = 0x0101;
        uint16_t usagePage = 0x000C;
        uint16_t usage = 0x0001;
        uint32_t outputReportLength = 33;
        OpenBehaviour open = OpenBehaviour::Ok;
    };

    struct Report {
        bool ok = false;
        std::vector<uint8_t> bytes;
    };

    // Plugs an interface in at index (the lowest free index when index < 0),
    // replacing one already there; returns the index used.
    int add(const Interface& iface, int index = -1);
    // Unplugs: it leaves the enumeration and writes to open handles on it fail.
    void remove(int index);
    void removeAll();
    void setAck(AckMode mode) { ack_ = mode; }

    // Output reports written since the last call, in order.
    std::vector<Report> takeReports();
    // Acknowledgement keystrokes typed since the last call, in order.
    std::string takeAcks();
    // Handles opened and not yet closed.
    size_t openHandleCount() const;

    // HidBackend
    bool beginEnumeration() override;
    void endEnumeration() override;
    std::optional<std::string> interfacePath(int index) override;
    HidHandle open(const std::string& path, OpenMode mode) override;
    bool getAttributes(HidHandle handle, HidAttributes& out) override;
    bool getCaps(HidHandle handle, HidCaps& out) override;
    bool write(HidHandle handle, const uint8_t* data, size_t length) override;
    void close(HidHandle handle) override;

private:
    struct Slot {
        int index = 0;
        int id = 0; // identity that open handles keep after unplugging
        Interface iface;
    };
    struct OpenHandle {
        HidHandle handle = kInvalidHandle;
        int id = 0;
    };
    const Slot* slotById(int id) const;
    // The plugged-in interface behind an open handle, or nullptr.
    const Slot* slotByHandle(HidHandle handle) const;

    std::vector<Slot> slots_;
    std::vector<OpenHandle> handles_;
    std::vector<Report> reports_;
    std::string acks_;
    AckMode ack_ = AckMode::On;
    int nextId_ = 1;
    HidHandle nextHandle_ = 100;
};

} // namespace pm
