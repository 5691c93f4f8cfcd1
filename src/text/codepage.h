// The system code page: how the program's text files (ini files, source
// scripts, Oracle scripts, byte records) are turned into text and back.
// Internally every text is UTF-8. The default is Windows-1252 with Windows'
// mapping of its five unassigned bytes (0x81 0x8D 0x8F 0x90 0x9D to the C1
// controls of the same value), so every byte round-trips.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vkt::text {

class CodePage {
 public:
  // Opens the ICU converter `name` ("windows-1252", "UTF-8", "windows-1250"...).
  // Returns null and fills `error` when ICU does not know the name.
  static std::unique_ptr<CodePage> Open(std::string_view name, std::string* error);

  const std::string& name() const { return name_; }

  // True for code pages with one byte per character; the tables below are then
  // valid and conversions never call ICU.
  bool single_byte() const { return single_byte_; }
  // UTF-16 code unit of byte `b` (single-byte code pages only).
  char16_t Unit(unsigned char b) const { return to_unit_[b]; }
  // The byte for code unit `u`, or -1 when the code page has none (single-byte only).
  int Byte(char16_t u) const;

  // Code-page bytes to UTF-8 / UTF-16.
  std::string Decode(std::string_view bytes) const;
  std::u16string DecodeUtf16(std::string_view bytes) const;
  // UTF-8 to code-page bytes. Characters the code page lacks become its
  // replacement character ("?"); `lossy` (when given) tells whether any did.
  std::string Encode(std::string_view utf8, bool* lossy = nullptr) const;

  ~CodePage();

 private:
  CodePage() = default;
  std::string name_;
  bool single_byte_ = false;
  std::array<char16_t, 256> to_unit_{};
  // The byte of each unit: units below 256 directly (-1 = none), the others
  // (at most 256) sorted by unit.
  std::array<std::int16_t, 256> low_byte_{};
  std::vector<std::pair<char16_t, std::uint8_t>> high_bytes_;
  struct Icu;
  std::unique_ptr<Icu> icu_;
};

// The process's system code page. Windows-1252 until SetSystemCodePage is called.
const CodePage& SystemCodePage();
// Switches the process's code page; false (and `error`) when the name is unknown.
bool SetSystemCodePage(std::string_view name, std::string* error);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// A file name from disk as the program shows, lists and compares it: the
// name itself when it is valid UTF-8, else its bytes taken as Windows-1252
// (with Windows' mapping of the unassigned bytes), whatever the system code
// page; names that arrive from Windows archives carry such bytes.
std::string FileNameText(std::string_view on_disk);

// UTF-8 <-> UTF-16 (invalid UTF-8 bytes become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace vkt::text
