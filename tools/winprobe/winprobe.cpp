// Runs discovery once with the platform's HID backend and prints what it
// found, so the Windows backend can be tried where there is no Qt (wine).
#include <cstdio>

#include "device/hid_platform.h"
#include "device/keypad_link.h"

int main()
{
    const auto backend = pm::createPlatformHidBackend();
    pm::KeypadLink link(*backend);
    const unsigned found = link.FindKeypad();
    std::printf("found=%u DeviceHandle=%s WriteHandle=%s OutputReportLength=%u\n", found,
        link.DeviceHandle != pm::kInvalidHandle ? "valid" : "invalid",
        link.WriteHandle != pm::kInvalidHandle ? "valid" : "invalid",
        static_cast<unsigned>(link.OutputReportLength));
    if (link.deniedKeypad) {
        std::printf("denied %s\n", link.deniedKeypad->path.c_str());
    }
    link.CloseKeypad();
    return 0;
}
