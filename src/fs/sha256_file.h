// SHA-256 of a whole file, read through the platform layer and hashed by
// text::ComputeSha256 (text/sha256.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"

namespace vkt::fs {

// SHA-256 of the whole file `path` (a program path, resolved by the platform
// layer), read in large blocks. On success fills `hex` and, when given, `size`
// (the number of bytes hashed); on failure returns the platform's status
// (ENOMEM when the system cannot hash) and leaves both unchanged.
platform::Status Sha256File(std::string_view path, std::string* hex, std::uint64_t* size = nullptr);

}  // namespace vkt::fs
