// `INI`: reads and writes keys of an ini file with the results of the Windows
// private-profile functions: section and key names matched without regard to
// case (after trimming blanks), first section and first key of a name win,
// values trimmed of blanks and cut to 254 bytes of the code page (never inside
// a character), an empty value read like a missing key, ";" comment lines, a
// value wholly enclosed in matching double or single quotes loses them, CR LF,
// LF or a lone CR as line ends. A file that begins with FF FE is UTF-16LE, one
// that begins with EF BB BF is UTF-8, any other is in the code page the
// instance was named with (`ININame`); a write keeps the file's encoding, and
// the lines it adds end as the file's first line does. An instance parses its
// file once, on the first read, and keeps it until `ININame` is called again or
// the instance writes. Instances share the parse of a file that has not
// changed since (same file, size and times) and is read in the same code page:
// the file is opened and its times read, not parsed again.
// Only a regular file of at most 64 MiB is read. One that exists but cannot be
// read (or is something else, or larger) shows the "Initialization File Error"
// box once per file until ForgetIniErrors, through the box service the
// instance was made with (one made without shows none); reads then give the
// default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fs/platform/file_system.h"
#include "services/desktop.h"
#include "text/codepage.h"

namespace vkt::config {

// A value read from an ini file, or the caller's default (text or number).
using IniValue = std::variant<std::string, std::int64_t, double>;

// How an ini file is reached for reading. Writes always follow only the links
// that the kernel's protected_symlinks rule trusts
// (platform::LinkAtTarget::kFollowTrusted).
enum class IniReach : std::uint8_t {
  // Through any link: the program's own configuration.
  kAnyLink,
  // As a write reaches it (platform::File::OpenAsReplaced with
  // kFollowTrusted): a file the program also writes (the file list), whose
  // link that a write would refuse is refused to a read too (kForeignLink),
  // so that it shows nothing of the file it leads to.
  kAsWritten,
};

class INI {
 public:
  // An instance that shows no box: a file that cannot be read is told only
  // by LastReadStatus.
  INI() = default;
  // An instance that shows the read error box through `boxes`, which must
  // outlive it.
  explicit INI(MessageBoxService& boxes) : boxes_(&boxes) {}

  // Writes `sKey` = `sValor` into section `sSection` of the file `ININame`,
  // creating the file (in its code page, CR LF), the section and the key as
  // needed; an existing key's value is replaced in place and every other line
  // kept byte for byte. The file is replaced durably (platform::ReplaceFile: a
  // symbolic link stays a link where the kernel's protected_symlinks rule
  // would follow it, and fails otherwise; see platform::AtomicFile for what
  // the new file keeps of the old one). Returns
  // false when it cannot be read or written (the system's error number then in
  // LastWriteError()), for a UTF-16 file that would not convert back
  // unchanged (an odd byte, a lone surrogate), and
  // for texts that cannot form one key line (a line break or NUL anywhere, a
  // key that is blank, holds "=" or begins with ";" or "[").
  bool WriteIniSettings(const std::string& sSection, const std::string& sKey,
                        const std::string& sValor);
  // One key of WriteSectionKeys.
  struct KeyValue {
    std::string key;
    std::string value;
  };
  // Writes every key of `writes`, in their order, into section `sSection`:
  // the file then holds exactly the bytes that one WriteIniSettings call per
  // key, made in the same order, would leave, but it is read, scanned and
  // replaced once (the first section of the name and its key lines are found
  // once; the lines added go after the section's last non-blank line, or
  // into the section added at the end), so that the cost grows with the
  // size of the file plus the number of keys, not their product (where the
  // file's encoding lacks a character of the section's or a key's name,
  // the keys are applied one at a time, in memory). A later
  // key of the same name replaces what an earlier one wrote. Returns false,
  // writing nothing, when any of the writes would be refused or the file
  // cannot be read or written (as for WriteIniSettings). Between BeginWrites
  // and CommitWrites the keys are gathered like single writes.
  bool WriteSectionKeys(const std::string& sSection, const std::vector<KeyValue>& writes);
  // Gathers the WriteIniSettings calls that follow into one replacement of
  // the file, made by CommitWrites, so that the file holds all of them or
  // none. Reads made meanwhile (ReadINISettings) see the gathered file.
  // Returns false (LastWriteError set) when the file cannot be read.
  bool BeginWrites();
  // Writes what the gathered calls made of the file; false when it cannot be
  // written (nothing was). Without BeginWrites, true. Like every write, it
  // replaces only the file that was read: when another program saved it
  // since (BeginWrites), nothing is written and LastWriteError is
  // platform::kChangedMeanwhile.
  bool CommitWrites();
  // The system's error number of the last WriteIniSettings that could not
  // read or write the file (platform::kChangedMeanwhile when another program
  // saved it between the read and the write, which then wrote nothing); 0
  // after a success or a refused text.
  int LastWriteError() const { return write_status_.code; }
  // The same failure with what the platform knew of it (its text may name
  // more than the number: platform::Status::Text).
  const platform::Status& LastWriteStatus() const { return write_status_; }
  // Why the file could not be read when it was last parsed (it exists, but
  // cannot be opened or read: no permission, an I/O error, not a regular
  // file...); success when it was read or is missing.
  const platform::Status& LastReadStatus() const { return read_status_; }
  // The file the last write replaced had other hard links: they keep the old
  // content (a copy in place could be torn by a kill).
  bool ReplacedOtherLinks() const { return replaced_.other_links; }
  // The owner of the file the last write replaced, when that was another
  // user (the new file is the runner's); else empty.
  const std::string& ReplacedOtherOwner() const { return replaced_.other_owner; }
  void Section(const std::string& name) { section_ = name; }
  // Names the file and the code page it is read and written in (unless its
  // byte-order mark says otherwise), and how it is reached for reading.
  // `page` must outlive the instance (text::CodePage::Named pages do).
  void ININame(const std::string& path, const text::CodePage& page,
               IniReach reach = IniReach::kAsWritten);
  // The trimmed value of `sKey` in `Section`, or "" when the file, section or
  // key is missing or the value is empty.
  std::string ReadINISettings(const std::string& sKey);
  // The same, but `ValorDefault` (unchanged) where the key has no value. A
  // value that is "" only once its quotes, what follows a NUL and its blanks
  // are gone (`K=" "`) still counts, as for the private-profile functions:
  // it gives "", not the default.
  IniValue ReadINISettings(const std::string& sKey, const IniValue& ValorDefault);
  // The bytes the value of `sKey` in `Section` takes in the file (measured
  // as the cut measures them, see above) when the 254-byte limit cut it, so
  // that ReadINISettings gives only its first bytes; 0 when the value was
  // not cut, or is missing. A value that a NUL ends before the limit counts
  // as not cut.
  std::size_t CutValueBytes(const std::string& sKey);

  // How a value that WriteIniSettings writes into `ININame` as the file is
  // now (in its encoding; a file still missing would be in the code page)
  // reads back through ReadINISettings. The first that applies, in this
  // order:
  enum class ReadBack {
    kSame,            // the same text
    kRefused,         // holds a line break or NUL: the write is refused
    kNotInEncoding,   // the file's encoding lacks some of its characters ("?")
    kBlanksTrimmed,   // begins or ends with a blank (space, tab), or is empty
    kQuotesStripped,  // wholly enclosed in matching double or single quotes
    kCut,             // longer than the 254 bytes a value keeps (see above)
  };
  // `*as_read` (when given) gets what a read would give ("" for kRefused).
  // Between BeginWrites and CommitWrites the gathered file is the one
  // judged. A file that cannot be read counts as missing; shows no box.
  ReadBack HowValueReadsBack(const std::string& sValor, std::string* as_read = nullptr) const;

  // One key line of a section as the file holds it. For tools that inspect a
  // file rather than read its values (the release gate's list checks).
  struct KeyLine {
    std::string name;   // the key as written, trimmed of blanks
    std::string value;  // what ReadINISettings would give for this line alone
    int line = 0;       // 1-based line number in the file
    bool first = true;  // the line of its key that ReadINISettings reads
  };
  // Whether the file holds a section named `Section` (read as
  // ReadINISettings reads it, but without a box for a file that cannot be
  // read: that is then no section).
  bool HasSection();
  // Calls `fn` for every key line of the first section named `Section` of
  // `ININame`, in file order, repeated keys included (ReadINISettings takes
  // the first); the line given lives until `fn` returns. Parsed as
  // ReadINISettings parses, from the same parse. Returns false, calling
  // nothing, when the file or the section is missing or the file cannot be
  // read; shows no box. Costs no memory per line: a list of millions of keys
  // is walked, not copied.
  bool ForEachKeyLine(const std::function<void(const KeyLine&)>& fn);

 private:
  struct Parsed;
  static std::shared_ptr<const Parsed> Parse(std::string_view bytes, const text::CodePage& page);
  // Parses the file once (see above); false when it exists but cannot be
  // read, which shows the box when `show_errors`.
  bool Load(bool show_errors = true);
  // Reads the file (or takes the gathered bytes), lets `edit` make its new
  // text from the old one and replaces the file with it (or gathers it).
  template <typename Edit>
  bool Rewrite(const Edit& edit);
  MessageBoxService* boxes_ = nullptr;  // null: no box
  std::string ini_name_;
  const text::CodePage* page_ = &text::SystemCodePage();
  IniReach reach_ = IniReach::kAsWritten;
  std::string section_;
  std::shared_ptr<const Parsed> parsed_;
  platform::Status write_status_;
  platform::Status read_status_;
  platform::Replaced replaced_;
  std::optional<std::string> gathered_;  // the file's bytes between Begin- and CommitWrites
  platform::FileStamp gathered_stamp_;   // the state of the file BeginWrites read
};

// While an IniSnapshot of a file lives, every INI of that file (named as
// here) reads the content the file had when the first snapshot of it was
// taken (reached as IniReach::kAsWritten), read and parsed once, whatever
// another program saves meanwhile: a run reads one version of its file list.
// Writes are not affected: they read the file as it is. Snapshots of one file
// nest.
class IniSnapshot {
 public:
  explicit IniSnapshot(std::string path);
  ~IniSnapshot();
  IniSnapshot(const IniSnapshot&) = delete;
  IniSnapshot& operator=(const IniSnapshot&) = delete;

 private:
  std::string path_;
};

// A new run starts: files whose error box was shown show it again.
void ForgetIniErrors();

// The clock (nanoseconds since the epoch) by which the shared parses judge
// whether a file changed too recently to keep its parse; nullptr restores
// the system clock. Tests move it ahead instead of waiting.
void SetParseClockForTesting(std::int64_t (*now_ns)());

}  // namespace vkt::config
