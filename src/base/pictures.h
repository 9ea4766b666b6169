#pragma once
#include <string>

namespace pm {

// Loads picture file AppDir + literal into a control's picture slot. The slot
// keeps the literal so the view can draw the file; a file that cannot be
// opened throws "Cannot open file ..." and leaves the slot as it was.
void loadPicture(const std::string& appDir, std::string& slot, const std::string& literal);

} // namespace pm
