// `INI`: reads and writes keys of an ini file with the results of the Windows
// private-profile functions: section and key names matched without regard to
// case (after trimming blanks), first section and first key of a name win,
// values trimmed of blanks and cut to 254 bytes of the code page (never inside
// a character), an empty value read like a missing key, ";" comment lines, a
// value wholly enclosed in matching double or single quotes loses them, CR LF
// or LF line ends, text in the system code page (UTF-8 for a file that begins
// with the UTF-8 byte-order mark). An instance parses its file once, on the
// first read, and keeps it until `ININame` changes or the instance writes.
// Instances share the parse of a file that has not changed since (same file,
// size, times and system code page): the file is opened and its times read,
// but not parsed again.
// A file that exists but cannot be read shows the "Initialization File Error"
// box once per instance (through Desktop().boxes); reads then give the default.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vkt::config {

// A value read from an ini file, or the caller's default (text or number).
using IniValue = std::variant<std::string, std::int64_t, double>;

class INI {
 public:
  // Writes `sKey` = `sValor` into section `sSection` of the file `ININame`,
  // creating the file, the section and the key as needed; an existing key's
  // value is replaced in place and every other line kept. The file is
  // replaced atomically. Returns false when it cannot be read or written, and
  // for texts that cannot form one key line (a line break or NUL anywhere, a
  // key that is blank, holds "=" or begins with ";" or "[").
  bool WriteIniSettings(const std::string& sSection, const std::string& sKey,
                        const std::string& sValor);
  void Section(const std::string& name) { section_ = name; }
  void ININame(const std::string& path);
  // The trimmed value of `sKey` in `Section`, or "" when the file, section or
  // key is missing or the value is empty.
  std::string ReadINISettings(const std::string& sKey);
  // The same, but `ValorDefault` (unchanged) where the key has no value. A
  // value that is "" only once its quotes, what follows a NUL and its blanks
  // are gone (`K=" "`) still counts, as for the private-profile functions:
  // it gives "", not the default.
  IniValue ReadINISettings(const std::string& sKey, const IniValue& ValorDefault);

  // One key line of a section as the file holds it. For tools that inspect a
  // file rather than read its values (the release gate's list checks).
  struct KeyLine {
    std::string name;   // the key as written, trimmed of blanks
    std::string value;  // what ReadINISettings would give for this line alone
    int line = 0;       // 1-based line number in the file
  };
  // Every key line of the first section named `Section` of `ININame`, in file
  // order, repeated keys included (ReadINISettings takes the first). Parsed as
  // ReadINISettings parses. Returns false, with `lines` empty, when the file
  // or the section is missing or the file cannot be read; shows no box.
  bool SectionKeyLines(std::vector<KeyLine>* lines) const;

 private:
  struct Parsed;
  bool Load();
  std::string ini_name_;
  std::string section_;
  std::shared_ptr<const Parsed> parsed_;
  bool error_shown_ = false;
};

}  // namespace vkt::config
