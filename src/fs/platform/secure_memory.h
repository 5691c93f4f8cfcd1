// Overwriting memory that held a secret. Part of the platform layer (see
// file_system.h); nothing throws.
#pragma once

#include <cstddef>

namespace vkt::platform {

// Sets the `size` bytes at `data` to zero, in a way the compiler may not
// leave out even when the memory is released or never read again (unlike a
// plain memset before a free).
void WipeMemory(void* data, std::size_t size);

}  // namespace vkt::platform
