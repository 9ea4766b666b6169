#pragma once
// How a line of the 8-bit macro files reads in the UTF-8 export. Ordinary
// lines read as they are; anything a reader could misread or not see goes
// in double quotes with \xHH escapes.
#include <string>
#include <string_view>

#include "base/text.h"

namespace pm {

// The export form of bytes: as they are when that reads back the same and
// shows every byte, otherwise quoted. Bytes A1 A8 become "”" either way.
std::string exportValue(std::string_view bytes);

// The bytes of an export value (either form). Throws UiError saying why the
// value is not one: malformed quoting, blanks at either end of an unquoted
// value, or a character the 8-bit text cannot hold.
std::string importValue(std::string_view value);

} // namespace pm
