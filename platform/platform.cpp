// The installed platform object.
#include "platform/platform.h"

namespace tarvio {

namespace {
Platform installed;
}

Platform& platform() { return installed; }
void installPlatform(const Platform& p) { installed = p; }

}  // namespace tarvio
