#pragma once
// The HID backend of the platform this program was built for.
#include <memory>

#include "device/hid.h"

namespace pm {

std::unique_ptr<HidBackend> createPlatformHidBackend();

} // namespace pm
