// Windows implementation of secure_memory.h.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "fs/platform/secure_memory.h"

namespace vkt::platform {

void WipeMemory(void* data, std::size_t size) {
  if (size != 0) ::SecureZeroMemory(data, size);
}

}  // namespace vkt::platform
