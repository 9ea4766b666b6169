#include "device/keypad_link.h"
