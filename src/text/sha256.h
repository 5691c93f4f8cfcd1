// SHA-256 (FIPS 180-4): the digests of the release gate (package manifests,
// per-entry digests in run reports). The hashing itself is a maintained
// library's, reached through ComputeSha256 alone: nettle on Linux
// (sha256_nettle.cpp), the system's CNG on Windows (sha256_win32.cpp).
// Streaming: memory stays constant whatever the size of the input. The digest
// of a file is fs::Sha256File's (fs/sha256_file.h), which reads it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vkt::text {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Hashes the pieces of bytes that `next_piece` hands out, one call after
// another, until it hands out an empty one, and puts the digest of all of
// them into `*digest`. Each piece need only stay valid until the next call.
// False, with `*digest` unchanged, when the system cannot hash (CNG failing
// to make a hash object: out of memory); nettle never fails.
bool ComputeSha256(const std::function<std::string_view()>& next_piece, Sha256Digest* digest);

// Lower-case hexadecimal form of a digest (64 characters).
std::string HexDigest(const Sha256Digest& digest);
// SHA-256 of `bytes`, in hexadecimal; "" when the system cannot hash.
std::string Sha256Hex(std::string_view bytes);

}  // namespace vkt::text
