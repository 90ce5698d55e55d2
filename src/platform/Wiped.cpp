#include "platform/Wiped.h"

#include "text/wipe.h"

namespace qm::platform {

void WipeMemory(void* data, size_t size) noexcept { text::WipeBytes(data, size); }

}  // namespace qm::platform
