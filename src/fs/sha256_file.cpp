#include "fs/sha256_file.h"

#include <cerrno>
#include <memory>

#include "text/sha256.h"

namespace vkt::fs {
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
  std::uint64_t total = 0;
  // A read error ends the pieces; it is the result, whatever was hashed.
  auto next_block = [&]() -> std::string_view {
    std::size_t got = 0;
    status = file.Read(block.get(), kFileBlock, &got);
    if (!status.ok()) return {};
    total += got;
    return {block.get(), got};
  };
  text::Sha256Digest digest;
  if (!text::ComputeSha256(next_block, &digest)) return platform::Status::Errno(ENOMEM);
  if (!status.ok()) return status;
  *hex = text::HexDigest(digest);
  if (size) *size = total;
  return platform::Status::Ok();
}

}  // namespace vkt::fs
