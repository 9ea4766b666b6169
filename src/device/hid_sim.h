#pragma once
// A simulated keypad: an ordered list of HID interfaces with their match
// values and failure modes. It records every write, and answers a report that
// reached it by typing 'a' (first data byte the image's start marker) or 'b'
// (any other).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/hid.h"
#include "device/keypad_ids.h"

namespace pm {

class SimulatedKeypad : public HidBackend {
public:
    // Denied: the interface is there but this user may not open it.
    enum class OpenBehaviour { Ok, Fail, WriteFail, Denied };
    enum class AckMode { On, Off, AOnly };

    struct Interface {
        uint16_t vendorId = kKeypadVendor;
        uint16_t productId = kKeypadProduct;
        uint16_t version = kKeypadVersion;
        uint16_t usagePage = kKeypadUsagePage;
        uint16_t usage = kKeypadUsage;
        uint32_t outputReportLength = kKeypadOutputReportLength;
        OpenBehaviour open = OpenBehaviour::Ok;
    };

    struct Report {
        bool ok = false;
        std::vector<uint8_t> bytes;
    };

    // The --demo keypad: one interface, always plugged in, acknowledging
    // every report.
    static std::unique_ptr<SimulatedKeypad> pluggedIn();

    // Plugs an interface in at index (the lowest free index when index < 0),
    // replacing one already there; returns the index used.
    int add(const Interface& iface, int index = -1);
    // Unplugs: it leaves the enumeration, and open handles on it are no longer
    // present and fail every write.
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
    std::optional<HidInterfaceInfo> describe(int index) override;
    HidHandle open(const std::string& path, OpenMode mode, OpenError* why = nullptr) override;
    bool write(HidHandle handle, const uint8_t* data, size_t length) override;
    bool stillPresent(HidHandle handle) override;
    bool writableByUser(const std::string& path) override;
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
