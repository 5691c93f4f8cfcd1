// ComputeSha256 through nettle (Debian's libnettle8), the Linux build's.
#include <nettle/sha2.h>

#include "text/sha256.h"

namespace vkt::text {

static_assert(SHA256_DIGEST_SIZE == std::tuple_size_v<Sha256Digest>);

bool ComputeSha256(const std::function<std::string_view()>& next_piece, Sha256Digest* digest) {
  sha256_ctx context;
  sha256_init(&context);
  for (std::string_view piece = next_piece(); !piece.empty(); piece = next_piece()) {
    sha256_update(&context, piece.size(), reinterpret_cast<const std::uint8_t*>(piece.data()));
  }
  sha256_digest(&context, digest->size(), digest->data());
  return true;
}

}  // namespace vkt::text
