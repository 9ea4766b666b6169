#include "base/pictures.h"

#include "base/paths.h"

namespace pm {

void setCheckedPicture(const std::string& appDir, std::string& slot, const std::string& literal)
{
    requireReadable(platformPath(appDir, literal));
    slot = literal;
}

} // namespace pm
