// Name utilities: FindString and the two name generators, whose counters live
// in the instance (TempCounter_, SerialCounter_).
#include <chrono>
#include <cmath>
#include <ctime>

#include "fs/file_system_object.h"
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
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  using namespace std::chrono;
  const sys_days day = year{local.tm_year + 1900} / month{static_cast<unsigned>(local.tm_mon + 1)} /
                       std::chrono::day{static_cast<unsigned>(local.tm_mday)};
  constexpr sys_days kOleEpoch = year{1899} / December / 30;
  const auto days = (day - kOleEpoch).count();
  const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  return static_cast<double>(days) + seconds / 86400.0;
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
  std::string folder = Path.empty() ? CurrentDirectory() : Path;
  if (TempCounter_ == 0 || Reset) TempCounter_ = TempCounterSeed(LocalNowAsOleDate());
  folder = CleanPath(folder) + "\\";
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
  std::string folder = Path.empty() ? CurrentDirectory() : Path;
  if (SerialCounter_ == 0 || Reset) SerialCounter_ = 1;
  folder = CleanPath(folder) + "\\";
  const std::vector<std::string> taken = EnumFiles(folder + Prefix + "*." + Suffix);
  auto name = [&] { return Prefix + std::to_string(SerialCounter_) + "." + Suffix; };
  while (SerialCounter_ <= kLastCounter && FindString(taken, name(), true)) ++SerialCounter_;
  if (SerialCounter_ > kLastCounter) return {};
  return folder + name();
}

}  // namespace vkt::fs
