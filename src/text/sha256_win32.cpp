// ComputeSha256 through the system's CNG (bcrypt.dll), the Windows build's.
#include <windows.h>
// After windows.h, which defines what bcrypt.h builds on.
#include <bcrypt.h>

#include <algorithm>
#include <limits>

#include "text/sha256.h"

namespace vkt::text {
namespace {

// The SHA-256 provider, opened once and kept for the life of the process;
// null when the system cannot open it.
BCRYPT_ALG_HANDLE Sha256Provider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    const NTSTATUS status =
        BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    return BCRYPT_SUCCESS(status) ? handle : nullptr;
  }();
  return provider;
}

}  // namespace

bool ComputeSha256(const std::function<std::string_view()>& next_piece, Sha256Digest* digest) {
  const BCRYPT_ALG_HANDLE provider = Sha256Provider();
  if (provider == nullptr) return false;
  // No buffer given: CNG allocates the hash object itself.
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0))) return false;
  bool ok = true;
  for (std::string_view piece = next_piece(); ok && !piece.empty(); piece = next_piece()) {
    // One call takes at most a ULONG's count of bytes.
    while (ok && !piece.empty()) {
      const auto count = static_cast<ULONG>(
          std::min<std::size_t>(piece.size(), std::numeric_limits<ULONG>::max()));
      // CNG does not write to the input; its parameter is not const all the same.
      auto* bytes = const_cast<PUCHAR>(reinterpret_cast<const UCHAR*>(piece.data()));
      ok = BCRYPT_SUCCESS(BCryptHashData(hash, bytes, count, 0));
      piece.remove_prefix(count);
    }
  }
  Sha256Digest out;
  ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, out.data(), static_cast<ULONG>(out.size()), 0));
  BCryptDestroyHash(hash);
  if (ok) *digest = out;
  return ok;
}

}  // namespace vkt::text
