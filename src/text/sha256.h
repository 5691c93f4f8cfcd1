// SHA-256 (FIPS 180-4): the digests of the release gate (package manifests,
// per-entry digests in run reports). Streaming: memory stays constant whatever
// the size of the input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"

namespace vkt::text {

class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  // Feeds `size` more bytes.
  void Update(const void* data, std::size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything fed so far. The object must not be fed again
  // afterwards (Reset first).
  Digest Final();
  void Reset();

 private:
  void Block(const std::uint8_t* p);
  std::array<std::uint32_t, 8> state_{};
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t total_bytes_ = 0;
};

// Lower-case hexadecimal form of a digest (64 characters).
std::string HexDigest(const Sha256::Digest& digest);
// SHA-256 of `bytes`, in hexadecimal.
std::string Sha256Hex(std::string_view bytes);

// SHA-256 of the whole file `path` (a program path, resolved by the platform
// layer), read in large blocks. On success fills `hex` and, when given, `size`
// (the number of bytes hashed); on failure returns the platform's status and
// leaves both unchanged.
platform::Status Sha256File(std::string_view path, std::string* hex, std::uint64_t* size = nullptr);

}  // namespace vkt::text
