#pragma once
#include <string>

namespace pm {

// Points a control's picture slot at picture file AppDir + literal once the
// file is known to open; the view opens it again to draw it. A file that
// cannot be opened throws "Cannot open file ..." there and then, before the
// handler goes on, and leaves the slot as it was.
void setCheckedPicture(const std::string& appDir, std::string& slot, const std::string& literal);

} // namespace pm
