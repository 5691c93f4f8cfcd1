#include "text/sha256.h"

#include <memory>

namespace vkt::text {
namespace {

// Large blocks keep the number of read calls low on multi-gigabyte scripts.
constexpr std::size_t kFileBlock = 1 << 20;

}  // namespace

platform::Status Sha256File(std::string_view path, std::string* hex, std::uint64_t* size) {
  platform::File file;
  platform::Status status = platform::File::Open(path, platform::File::Mode::kRead, &file);
  if (!status.ok()) return status;
  // Not zero-filled: the block is written by each read before it is used, and
  // clearing a megabyte per file cost more than hashing a small file.
  auto block = std::make_unique_for_overwrite<char[]>(kFileBlock);
  Sha256 hash;
  std::uint64_t total = 0;
  for (;;) {
    std::size_t got = 0;
    status = file.Read(block.get(), kFileBlock, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    hash.Update(block.get(), got);
    total += got;
  }
  *hex = HexDigest(hash.Final());
  if (size) *size = total;
  return platform::Status::Ok();
}

}  // namespace vkt::text
