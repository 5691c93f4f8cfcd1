// POSIX implementation of secure_memory.h.
#include <string.h>

#include "fs/platform/secure_memory.h"

namespace vkt::platform {

void WipeMemory(void* data, std::size_t size) {
  if (size != 0) ::explicit_bzero(data, size);
}

}  // namespace vkt::platform
