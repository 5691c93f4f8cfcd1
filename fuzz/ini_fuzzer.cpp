// Fuzz target for the ini reader and writer (`INI`). The input is an ini file
// preceded by what to write into a copy of it:
//
//   <flags byte> [<section> 0x1F <key> 0x1F <value> 0x1E] <file bytes>
//
// Flags bit 0 set = the file read in UTF-8, else in Windows-1252. Without
// the 0x1E separator the whole rest is the file and "S", "K", "v" are written.
// The target reads a handful of sections and keys (fixed ones, the written
// ones and names found in the file) with and without defaults, checks what the
// class promises of every value, writes into a copy and checks that the copy
// differs from the file in one line at most, reads the written value back
// when the file can hold it, and reads every other probe as before.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ini.h"
#include "fuzz_support.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::fuzz {
namespace {

using config::INI;
using config::IniValue;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::size_t kMaxValueBytes = 254;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return text::UpperCase(Trim(a)) == text::UpperCase(Trim(b));
}

// The code page whose bytes the class counts for the cut of `file`'s values,
// read in `named` (a UTF-16 file's values are cut as that page holds them).
const text::CodePage& PageOf(std::string_view file, const text::CodePage& named,
                             const text::CodePage& utf8) {
  return file.substr(0, kUtf8Bom.size()) == kUtf8Bom ? utf8 : named;
}

// The code units of a UTF-16LE file after its byte-order mark.
std::u16string Utf16Units(std::string_view file) {
  file.remove_prefix(kUtf16LeBom.size());
  std::u16string units(file.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(file[2 * i]) |
                                     static_cast<unsigned char>(file[2 * i + 1]) << 8);
  }
  return units;
}

// The text the class parses: a UTF-16LE file as UTF-8, any other as it is.
std::string LinesOf(std::string_view file) {
  return file.starts_with(kUtf16LeBom) ? text::Utf16ToUtf8(Utf16Units(file)) : std::string(file);
}

// A UTF-16LE file that would not convert back unchanged, which the class
// refuses to rewrite.
bool LossyUtf16(std::string_view file) {
  if (!file.starts_with(kUtf16LeBom)) return false;
  const std::u16string units = Utf16Units(file);
  return file.size() % 2 != 0 || text::Utf8ToUtf16(text::Utf16ToUtf8(units)) != units;
}

bool RoundTrips(const text::CodePage& page, const std::string& s) {
  bool lossy = false;
  const std::string bytes = page.Encode(s, &lossy);
  return !lossy && page.Decode(bytes) == s;
}

// Names that look like section and key names in `file`, a few of each.
void NamesIn(std::string_view file, std::vector<std::string>* sections,
             std::vector<std::string>* keys) {
  std::size_t pos = 0;
  while (pos < file.size() && (sections->size() < 6 || keys->size() < 6)) {
    std::size_t end = file.find_first_of("\r\n", pos);
    std::string_view line = file.substr(pos, end == std::string_view::npos ? end : end - pos);
    pos = end == std::string_view::npos ? file.size() : end + 1;
    line = Trim(line);
    if (line.size() >= 2 && line.front() == '[' && sections->size() < 6) {
      std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        sections->emplace_back(line.substr(1, close - 1));
        continue;
      }
    }
    std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && keys->size() < 6) keys->emplace_back(line.substr(0, eq));
  }
}

struct Probe {
  std::string section;
  std::string key;
  std::string value;  // what ReadINISettings gave
};

// Reads every section x key with `ini` and checks what holds for any value.
std::vector<Probe> ReadAll(INI& ini, const std::vector<std::string>& sections,
                           const std::vector<std::string>& keys, const text::CodePage& page) {
  std::vector<Probe> probes;
  for (const auto& section : sections) {
    ini.Section(section);
    std::vector<INI::KeyLine> lines;
    const bool has_section =
        ini.ForEachKeyLine([&lines](const INI::KeyLine& line) { lines.push_back(line); });
    for (const auto& key : keys) {
      std::string value = ini.ReadINISettings(key);
      VKT_FUZZ_CHECK(Trim(value) == value, "a value is not trimmed");
      VKT_FUZZ_CHECK(value.find('\0') == std::string::npos, "a value holds a NUL");
      VKT_FUZZ_CHECK(value.find('\n') == std::string::npos, "a value holds a line feed");
      VKT_FUZZ_CHECK(page.Encode(value).size() <= kMaxValueBytes, "a value exceeds 254 bytes");

      const IniValue number = ini.ReadINISettings(key, IniValue(std::int64_t{-7}));
      const IniValue text = ini.ReadINISettings(key, IniValue(std::string("default")));
      // A key without a value gives the default; a value that reads as ""
      // only after its quotes, NUL or blanks are gone is still a value, as
      // for the private-profile functions (their count is not zero).
      const bool is_default = std::get_if<std::int64_t>(&number) != nullptr;
      if (is_default) {
        VKT_FUZZ_CHECK(value.empty() && std::get<std::int64_t>(number) == -7,
                       "a value read as the numeric default");
        VKT_FUZZ_CHECK(
            std::get_if<std::string>(&text) != nullptr && std::get<std::string>(text) == "default",
            "the text default is not given where the numeric one is");
      } else {
        VKT_FUZZ_CHECK(
            std::get_if<std::string>(&number) != nullptr && std::get<std::string>(number) == value,
            "a value read with a default differs");
        VKT_FUZZ_CHECK(
            std::get_if<std::string>(&text) != nullptr && std::get<std::string>(text) == value,
            "a value read with a default differs");
      }

      // The first key line of the name in the section is the one read, and
      // the only one of the name marked so.
      std::string listed;
      bool seen = false;
      if (has_section) {
        for (const auto& line : lines) {
          VKT_FUZZ_CHECK(Trim(line.name) == line.name, "a listed key name is not trimmed");
          if (!SameName(line.name, key)) continue;
          VKT_FUZZ_CHECK(line.first == !seen, "a key line marked first, or not, wrongly");
          if (!seen) listed = line.value;
          seen = true;
        }
      } else {
        VKT_FUZZ_CHECK(lines.empty(), "key lines listed for a missing section");
      }
      VKT_FUZZ_CHECK(listed == value, "ForEachKeyLine and ReadINISettings disagree");
      probes.push_back({section, key, std::move(value)});
    }
  }
  return probes;
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace
}  // namespace vkt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vkt::fuzz;
  using vkt::config::INI;
  if (size == 0) return 0;
  const vkt::text::CodePage& named = CodePageNamed((data[0] & 1) != 0 ? "UTF-8" : "windows-1252");
  static const std::unique_ptr<vkt::text::CodePage> utf8 =
      vkt::text::CodePage::Open("UTF-8", nullptr);

  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::array<std::string, 3> write = {"S", "K", "v"};
  if (std::size_t end = rest.find('\x1E'); end != std::string_view::npos) {
    std::string_view header = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    for (std::size_t i = 0; i < write.size(); ++i) {
      std::size_t sep = i + 1 < write.size() ? header.find('\x1F') : std::string_view::npos;
      write[i] = std::string(header.substr(0, sep));
      header = sep == std::string_view::npos ? std::string_view() : header.substr(sep + 1);
    }
  }
  const std::string file(rest);
  const auto& [section, key, value] = write;
  const vkt::text::CodePage& page = PageOf(file, named, *utf8);

  std::vector<std::string> sections = {section, "S", "GERAL"};
  std::vector<std::string> keys = {key, "K"};
  NamesIn(LinesOf(file), &sections, &keys);

  const std::string original_path = ScratchPath("original.ini");
  WriteFileBytes(original_path, file);
  INI original;
  original.ININame(original_path, named);
  const std::vector<Probe> before = ReadAll(original, sections, keys, page);

  // Write into a copy.
  const std::string copy_path = ScratchPath("copy.ini");
  WriteFileBytes(copy_path, file);
  INI writer;
  writer.ININame(copy_path, named);
  const std::string_view key_name = Trim(key);
  const bool one_key_line = !HasLineBreakOrNul(section) && !HasLineBreakOrNul(key) &&
                            !HasLineBreakOrNul(value) && !key_name.empty() &&
                            key_name.find('=') == std::string_view::npos &&
                            key_name.front() != ';' && key_name.front() != '[' && !LossyUtf16(file);
  const bool written = writer.WriteIniSettings(section, key, value);
  VKT_FUZZ_CHECK(written == one_key_line, "WriteIniSettings refused a key line it can hold");
  const std::string after = ReadFileBytes(copy_path);
  if (!written) {
    VKT_FUZZ_CHECK(after == file, "a refused write changed the file");
    return 0;
  }

  // At most one line of the file changed: what differs between the two lies
  // inside one line of the original (or nothing of it, for an insertion).
  // CR LF, LF and a lone CR end lines; a UTF-16 file is compared as text.
  const std::string lines_before = LinesOf(file), lines_after = LinesOf(after);
  VKT_FUZZ_CHECK(file.starts_with(kUtf16LeBom) == after.starts_with(kUtf16LeBom),
                 "the write changed the file's encoding");
  std::size_t prefix = 0;
  while (prefix < lines_before.size() && prefix < lines_after.size() &&
         lines_before[prefix] == lines_after[prefix]) {
    ++prefix;
  }
  std::size_t suffix = 0;
  while (suffix < lines_before.size() - prefix && suffix < lines_after.size() - prefix &&
         lines_before[lines_before.size() - 1 - suffix] ==
             lines_after[lines_after.size() - 1 - suffix]) {
    ++suffix;
  }
  VKT_FUZZ_CHECK(lines_before.find_first_of("\r\n", prefix) >= lines_before.size() - suffix,
                 "the write changed more than one line of the file");

  // The written key reads back with the written value when the file can hold
  // it as it is; every other probe reads as before.
  INI reader;
  reader.ININame(copy_path, named);
  const std::vector<Probe> now = ReadAll(reader, sections, keys, page);
  const bool value_holds = !value.empty() && Trim(value) == value &&
                           !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                             value.back() == value.front()) &&
                           RoundTrips(page, value) && page.Encode(value).size() <= kMaxValueBytes;
  const bool names_hold = RoundTrips(page, section) && RoundTrips(page, key);
  for (std::size_t i = 0; i < now.size(); ++i) {
    const bool the_written_key = SameName(now[i].section, section) && SameName(now[i].key, key);
    if (!the_written_key && now[i].value != before[i].value) {
      std::fprintf(stderr, "[%s] %s: \"%s\" became \"%s\"\n", now[i].section.c_str(),
                   now[i].key.c_str(), before[i].value.c_str(), now[i].value.c_str());
    }
    if (!the_written_key) {
      VKT_FUZZ_CHECK(now[i].value == before[i].value, "the write changed another key's value");
    } else if (value_holds && names_hold) {
      VKT_FUZZ_CHECK(now[i].value == value, "the written value does not read back");
    }
  }
  return 0;
}
