#include "text/sha256.h"

namespace vkt::text {

std::string HexDigest(const Sha256Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(64);
  for (std::uint8_t b : digest) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

std::string Sha256Hex(std::string_view bytes) {
  bool given = false;
  Sha256Digest digest;
  const bool hashed = ComputeSha256(
      [&]() -> std::string_view {
        if (given) return {};
        given = true;
        return bytes;
      },
      &digest);
  return hashed ? HexDigest(digest) : std::string();
}

}  // namespace vkt::text
