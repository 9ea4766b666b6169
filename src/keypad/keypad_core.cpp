#include "keypad/keypad_core.h"
