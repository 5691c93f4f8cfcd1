// Code pages: how the program's text files (ini files, source scripts, Oracle
// scripts, byte records) are turned into text and back. Internally every text
// is UTF-8. The system code page is Windows-1252 with Windows' mapping of its
// five unassigned bytes (0x81 0x8D 0x8F 0x90 0x9D to the C1 controls of the
// same value), so every byte round-trips; a run uses the page its
// configuration names (config::GeneralSettings).
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
  // Opens the code page `name` ("windows-1252", "UTF-8", "windows-1250"...,
  // compared as ICU compares converter names). The Linux build opens ICU's
  // converter of that name, the Windows build the system's code page of that
  // name (codepage_names.cpp lists them). Returns null and fills `error` with
  // "Unknown code page: NAME" when the build does not know the name.
  static std::unique_ptr<CodePage> Open(std::string_view name, std::string* error);
  // The same page, opened on the first call for `name` (as written) and kept
  // for the life of the process: a page never changes, so every holder of one
  // name shares one, and a reference to it never dangles. Null and `error` as
  // for Open; a failed name is tried again on the next call.
  static const CodePage* Named(std::string_view name, std::string* error);

  const std::string& name() const { return name_; }

  // True for code pages with one byte per character; the tables below are then
  // valid and conversions never call the converter.
  bool single_byte() const { return single_byte_; }
  // True for UTF-8, which holds every character.
  bool utf8() const { return utf8_; }
  // UTF-16 code unit of byte `b` (single-byte code pages only).
  char16_t Unit(unsigned char b) const { return to_unit_[b]; }
  // The byte for code unit `u`, or -1 when the code page has none (single-byte only).
  int Byte(char16_t u) const;

  // Code-page bytes to UTF-8 / UTF-16.
  std::string Decode(std::string_view bytes) const;
  std::u16string DecodeUtf16(std::string_view bytes) const;
  // UTF-8 to code-page bytes. Characters the code page lacks become "?",
  // never a look-alike ("best fit"); `lossy` (when given) tells whether any
  // did. UTF-8 and the single-byte pages give the same bytes on every build.
  std::string Encode(std::string_view utf8, bool* lossy = nullptr) const;
  // The first character of the UTF-8 text `utf8` that Encode writes as "?"
  // (U+FFFD for an ill-formed piece the page cannot hold); 0 when none.
  char32_t FirstMissing(std::string_view utf8) const;

  ~CodePage();

 private:
  CodePage();

  // The build's converter, one implementation per build (codepage_icu.cpp,
  // codepage_win32.cpp). OpenConverter opens `name_` and sets single_byte_,
  // utf8_ and windows_1252_; for a single-byte page it fills to_unit_, with
  // U+FFFD for bytes the page leaves unassigned. False when the name is
  // unknown. UTF-8 and single-byte pages are converted by the shared code, so
  // the other two are called only for the remaining multi-byte pages;
  // ConverterEncode writes "?" for what the page lacks.
  bool OpenConverter();
  std::u16string ConverterDecode(std::string_view bytes) const;
  std::string ConverterEncode(std::u16string_view units) const;

  // Fills low_byte_ and high_bytes_ from to_unit_.
  void BuildByteTables();
  // Of a single-byte page: true when each byte of the ASCII text `ascii`
  // reads as itself.
  bool ReadsAsItself(std::string_view ascii) const;
  // `units` in this single-byte page: "?" for each character it lacks, which
  // sets `*lossy`.
  std::string EncodeSingleByte(const std::u16string& units, bool* lossy) const;

  std::string name_;
  bool single_byte_ = false;
  bool utf8_ = false;
  bool windows_1252_ = false;
  std::array<char16_t, 256> to_unit_{};
  // The byte of each unit: units below 256 directly (-1 = none), the others
  // (at most 256) sorted by unit.
  std::array<std::int16_t, 256> low_byte_{};
  std::vector<std::pair<char16_t, std::uint8_t>> high_bytes_;
  struct Converter;
  std::unique_ptr<Converter> converter_;
};

// The system code page: Windows-1252, as the ANSI code page Windows gives a
// process, and as fixed. The FileSystemObject's text methods use it, and a
// configuration without "CodePage" runs in it; nothing a configuration says
// changes it.
const CodePage& SystemCodePage();

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// A file name from disk as the program shows, lists and compares it: the
// name itself when it is valid UTF-8, else its bytes taken as Windows-1252
// (with Windows' mapping of the unassigned bytes), whatever the system code
// page; names that arrive from Windows archives carry such bytes.
std::string FileNameText(std::string_view on_disk);

// UTF-8 <-> UTF-16. Each ill-formed piece of UTF-8 (see utf8.h) and each
// unpaired surrogate becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace vkt::text
