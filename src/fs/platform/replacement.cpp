// What both platforms build on AtomicFile: the names of its temporary files,
// ReplaceFile and ReadOutputFile.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"

namespace vkt::platform {

namespace {

constexpr std::string_view kTempMark = ".tmp-";
// Bytes of one name on every Linux file system; on Windows the limit is 255
// UTF-16 units, which 255 bytes of UTF-8 never exceed.
constexpr std::size_t kNameMax = 255;

bool IsTempRandomChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

namespace internal {

std::string RandomLetters() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kTempRandom] = {};
  if (!SystemRandom(bytes, sizeof bytes)) {
    // No entropy yet (early boot): the clock and a counter differ enough,
    // and the exclusive creation settles any clash.
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = static_cast<std::uint64_t>(NowNs()) ^ (counter.fetch_add(1) << 40);
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(x);
      x = x * 6364136223846793005ULL + 1442695040888963407ULL;
      x ^= x >> 29;
    }
  }
  std::string out;
  for (unsigned char b : bytes) out.push_back(kLetters[b % (sizeof kLetters - 1)]);
  return out;
}

}  // namespace internal

std::string TemporaryName(std::string_view name, std::string_view random) {
  constexpr std::size_t kFixed = 1 + kTempMark.size() + internal::kTempRandom;
  std::string base(name);
  if (kFixed + name.size() > kNameMax) {
    // FNV-1a: names that share their first bytes still get different temporaries.
    std::uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char tail[10];
    std::snprintf(tail, sizeof tail, "~%08x", static_cast<unsigned>(hash));
    std::size_t keep = kNameMax - kFixed - (sizeof tail - 1);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    base = std::string(name.substr(0, keep)) + tail;
  }
  return "." + base + std::string(kTempMark) + std::string(random);
}

Status ReplaceFile(std::string_view path, std::string_view bytes, const ReplaceOptions& options,
                   Replaced* replaced) {
  AtomicFile file;
  Status status = file.Create(path, options.links);
  if (status.ok()) status = file.Write(bytes.data(), bytes.size());
  if (status.ok()) status = file.Commit(/*durable=*/true, options.unchanged_since);
  if (replaced) *replaced = {file.replaced_other_links(), file.replaced_other_owner()};
  return status;
}

Status ReadOutputFile(std::string_view path, std::string* bytes) {
  bytes->clear();
  File in;
  Status status = File::OpenAsReplaced(path, LinkAtTarget::kReplace, &in);
  std::vector<char> buffer(std::size_t{1} << 16);
  for (std::size_t got = 1; status.ok() && got > 0;) {
    status = in.Read(buffer.data(), buffer.size(), &got);
    if (status.ok()) bytes->append(buffer.data(), got);
  }
  return status.About(Operation::kReadFile, path);
}

bool IsTemporaryName(std::string_view name) {
  constexpr std::size_t kRandom = internal::kTempRandom;
  if (name.size() < 2 + kTempMark.size() + kRandom || name.front() != '.') return false;
  const std::size_t mark = name.size() - kRandom - kTempMark.size();
  if (name.substr(mark, kTempMark.size()) != kTempMark) return false;
  return std::all_of(name.end() - kRandom, name.end(), IsTempRandomChar);
}

}  // namespace vkt::platform
