// Name utilities: FindString and the two name generators, whose counters live
// in the instance (TempCounter_, SerialCounter_).
#include <chrono>
#include <cmath>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/name_seed.h"
#include "text/letter_case.h"

namespace vkt::fs {
namespace {

// The highest number either generator hands out.
constexpr std::int32_t kLastCounter = 65535;

// The first `count` characters (code points) of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t seen = 0; i < text.size() && seen < count; ++seen) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(0, i);
}

// The folder of a generated name: `path` (the current directory when empty)
// cleaned, with one separator after it. A root ("C:\\", "/") keeps its own.
std::string FolderOf(FileSystemObject& fso, const std::string& path) {
  std::string folder = path.empty() ? fso.CurrentDirectory() : path;
  fso.CleanPath(folder);
  if (folder.empty() || !internal::IsSeparator(folder.back())) folder += '\\';
  return folder;
}

std::string Hex(std::int32_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  auto u = static_cast<std::uint32_t>(value);
  std::string out;
  do {
    out.insert(out.begin(), kDigits[u & 0xF]);
    u >>= 4;
  } while (u != 0);
  return out;
}

}  // namespace

OleDate LocalNowAsOleDate() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  OleDate date = 0.0;
  internal::FileTimeToOleDate(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count(),
                              &date);
  return date;
}

std::int32_t TempCounterSeed(OleDate date) {
  double whole = std::floor(date);
  const double fraction = date - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  // Dates before 1899 are negative; the low bits of the two's complement
  // value are kept, as the original's AND did.
  return static_cast<std::int32_t>(static_cast<std::int64_t>(whole) & 16383);
}

bool FileSystemObject::FindString(const std::vector<std::string>& Strings, const std::string& Match,
                                  bool IgnoreCase) {
  if (Strings.empty() || Match.empty()) return false;
  const std::string match = IgnoreCase ? text::LowerCase(Match) : Match;
  for (const std::string& element : Strings) {
    if ((IgnoreCase ? text::LowerCase(element) : element) == match) return true;
  }
  return false;
}

std::string FileSystemObject::GetUniqueFilename(const std::string& Prefix, const std::string& Path,
                                                bool Reset) {
  if (TempCounter_ == 0 || Reset) TempCounter_ = TempCounterSeed(LocalNowAsOleDate());
  const std::string folder = FolderOf(*this, Path);
  const std::string head = FirstCharacters(Prefix, 4);
  const std::vector<std::string> taken = EnumFiles(folder + head + "*.T$$");
  auto name = [&] { return head + text::LowerCase(Hex(TempCounter_)) + ".T$$"; };
  // The counter keeps the number of a free name: the same name comes back
  // until a file of that name exists.
  while (TempCounter_ <= kLastCounter && FindString(taken, name(), true)) ++TempCounter_;
  if (TempCounter_ > kLastCounter) return {};
  return folder + name();
}

std::string FileSystemObject::GetNewFilename(const std::string& Prefix, const std::string& Suffix,
                                             const std::string& Path, bool Reset) {
  if (SerialCounter_ == 0 || Reset) SerialCounter_ = 1;
  const std::string folder = FolderOf(*this, Path);
  const std::vector<std::string> taken = EnumFiles(folder + Prefix + "*." + Suffix);
  auto name = [&] { return Prefix + std::to_string(SerialCounter_) + "." + Suffix; };
  while (SerialCounter_ <= kLastCounter && FindString(taken, name(), true)) ++SerialCounter_;
  if (SerialCounter_ > kLastCounter) return {};
  return folder + name();
}

}  // namespace vkt::fs
