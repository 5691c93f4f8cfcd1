#include "app/release_checks.h"

#include <cerrno>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/run_report.h"
#include "config/file_list.h"
#include "config/object_types.h"
#include "generate/call_plan.h"
#include "generate/database_kind.h"
#include "generate/framing.h"
#include "generate/gera_script.h"
#include "text/codepage.h"
#include "text/letter_case.h"
#include "text/utf8.h"

namespace vkt::app {
namespace {

namespace k = problem_kind;

using generate::DatabaseKind;

// The kind's name in findings.
std::string KindName(DatabaseKind kind) { return std::string(generate::Describe(kind).keyword); }

// The number i of a key "FILEi" (upper-cased), i from 1 without leading zeros;
// 0 for any other key.
long FileKeyNumber(std::string_view upper_key) {
  if (upper_key.size() < 5 || upper_key.substr(0, 4) != "FILE") return 0;
  std::string_view digits = upper_key.substr(4);
  if (digits.front() == '0' || digits.size() > 9) return 0;
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

// NUMFILES as the run reads it: a whole number from 0 to 1000000, or -1.
long ParseNumfiles(std::string_view text) {
  if (text.empty()) return -1;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > 1000000) return -1;
  }
  return value;
}

bool EndsWithIgnoreCase(std::string_view upper_text, std::string_view upper_suffix) {
  return upper_text.size() > upper_suffix.size() &&
         upper_text.substr(upper_text.size() - upper_suffix.size()) == upper_suffix;
}

// Whether the upper-cased name ends in an extension of source scripts: a
// kind's or an object type's own.
bool EndsInSourceExtension(std::string_view upper_name) {
  for (DatabaseKind kind : generate::kDatabaseKinds) {
    if (EndsWithIgnoreCase(upper_name, text::UpperCase(generate::Describe(kind).extension))) {
      return true;
    }
  }
  for (const config::ObjectType& type : config::kObjectTypeTable) {
    if (!type.extension.empty() &&
        EndsWithIgnoreCase(upper_name, text::UpperCase(type.extension))) {
      return true;
    }
  }
  return false;
}

std::string LineNote(int line) { return " (linha " + std::to_string(line) + ")"; }

// True when the ".." components of `name`, a path below a folder, climb
// above that folder.
bool LeadsOutOfFolder(std::string_view name) {
  int depth = 0;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") {
      if (--depth < 0) return true;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return false;
}

// Whether the code page `name` is UTF-8 ("UTF-8", "utf8", ...).
bool IsUtf8Page(std::string_view name) {
  std::string letters;
  for (char c : name) {
    if (c != '-' && c != '_') letters += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  return letters == "UTF8";
}

constexpr std::size_t kReadBlock = 1 << 20;

// True when `file_name` is one entry of a folder, which the folder's listing
// can settle: no wildcard (such a name is taken literally, by path), no
// separator, not "." or "..".
bool NamesFolderEntry(std::string_view file_name) {
  for (char c : file_name) {
    if (c == '*' || c == '?' || c == '\\' || c == '/') return false;
  }
  return file_name != "." && file_name != "..";
}

// The scripts of one source folder, found and opened as RunSeesFile and
// File::Open find them by path. A name that is one entry of the folder is
// answered by the folder's listing and opened relative to the folder: a folder
// may list 300,000 scripts, and resolving and stating each path again cost
// several system calls per name. Any other name, an entry the listing cannot
// tell apart (a FIFO, a device, a link that leads nowhere) and every name of a
// folder that cannot be listed go by path.
class FolderScripts {
 public:
  // Locate's answer for a name the listing cannot settle.
  static constexpr std::size_t kByPath = platform::ListedFolder::kNone - 1;

  explicit FolderScripts(const std::string& folder) : folder_(folder) {
    // A folder that cannot be opened lists nothing: then paths decide.
    listed_.Open(folder_ + "\\");
  }

  const std::string& folder() const { return folder_; }

  // The program path of the file `file_name` of the folder.
  std::string PathOf(std::string_view file_name) const {
    std::string path = folder_;
    path.append("\\").append(file_name);
    return path;
  }

  // Where the file `file_name` (upper-cased: `upper_name`) lies: the index of
  // its entry in the listing, ListedFolder::kNone when the folder holds no
  // such entry, kByPath when the listing cannot settle the name.
  std::size_t Locate(std::string_view file_name, const std::string& upper_name) const {
    if (!listed_.is_open() || !NamesFolderEntry(file_name)) return kByPath;
    return listed_.Find(file_name, upper_name);
  }

  // RunSeesFile(PathOf(file_name)), `place` being what Locate gave for it.
  bool Sees(std::string_view file_name, std::size_t place) const {
    if (place == platform::ListedFolder::kNone) return false;
    if (place != kByPath) {
      const platform::Entry& entry = listed_.entry(place);
      if (entry.type == platform::EntryType::kDirectory) return false;
      if (entry.type == platform::EntryType::kRegular) return entry.name.front() != '.';
    }
    return RunSeesFile(PathOf(file_name));
  }

  // True when the entry `place` (what Locate gave) is a file of the folder
  // itself, no link: where the folder lies, it lies.
  bool Plain(std::size_t place) const {
    return place != kByPath && place != platform::ListedFolder::kNone &&
           !listed_.entry(place).is_link;
  }

  // The files of the folder (no folders) with the extension `extension`
  // whose names equal an earlier one's but for letter case, each with that
  // earlier name (listing order). The run installs only one of such names.
  std::vector<std::pair<std::string, std::string>> CaseTwins(std::string_view extension) const {
    std::vector<std::pair<std::string, std::string>> twins;
    const std::vector<std::size_t> files = listed_.Matching("*" + std::string(extension));
    for (std::size_t k = 1; k < files.size(); ++k) {
      const std::size_t first = files[k - 1], twin = files[k];
      if (listed_.entry(first).is_directory || listed_.entry(twin).is_directory ||
          listed_.upper(first) != listed_.upper(twin)) {
        continue;
      }
      std::size_t k0 = k - 1;  // the first of a run of equal names
      while (k0 > 0 && listed_.upper(files[k0 - 1]) == listed_.upper(twin)) --k0;
      twins.emplace_back(listed_.entry(files[k0]).name, listed_.entry(twin).name);
    }
    return twins;
  }

  // Opens the file `file_name` for reading as File::Open(PathOf(file_name))
  // does, `place` being what Locate gave for it.
  platform::Status Open(std::string_view file_name, std::size_t place, platform::File* file) const {
    return OpenBy(
        place, [&] { return listed_.OpenEntry(place, file); },
        [&] { return platform::File::Open(PathOf(file_name), platform::File::Mode::kRead, file); });
  }

  // The same for reading its lines in `page` with `reader`.
  platform::Status OpenLines(std::string_view file_name, std::size_t place,
                             const text::CodePage& page, generate::LineReader* reader) const {
    return OpenBy(
        place, [&] { return reader->Open(listed_, place, page); },
        [&] { return reader->Open(PathOf(file_name), page); });
  }

 private:
  // A plain file of the listing is opened through it; an entry gone since
  // the listing was taken, and any other name, by path.
  template <typename ByEntry, typename ByPath>
  platform::Status OpenBy(std::size_t place, ByEntry by_entry, ByPath by_path) const {
    if (place != kByPath && place != platform::ListedFolder::kNone &&
        listed_.entry(place).type == platform::EntryType::kRegular) {
      platform::Status opened = by_entry();
      if (opened.code != ENOENT && opened.code != ENOTDIR) return opened;
    }
    return by_path();
  }

  std::string folder_;
  platform::ListedFolder listed_;
};

// Feeds the open `file` to `sniffer` through `block` (of `size` bytes) until
// the file ends or more bytes cannot change the verdict.
platform::Status Sniff(platform::File& file, char* block, std::size_t size,
                       EncodingSniffer* sniffer) {
  for (;;) {
    std::size_t got = 0;
    platform::Status status = file.Read(block, size, &got);
    if (!status.ok()) return status;
    if (got == 0) return platform::Status::Ok();
    sniffer->Feed(std::string_view(block, got));
    if (sniffer->Decided()) return platform::Status::Ok();
  }
}

// VendorParity over the scripts of `scripts`' folder, each finding to `sink`.
void ParityOf(std::string_view object_type, const FolderScripts& scripts,
              const std::vector<std::string>& names, const FindingSink& sink) {
  const std::string sql_extension(generate::SourceExtension(object_type, DatabaseKind::kSqlServer));
  const std::string oracle_extension(generate::Describe(DatabaseKind::kOracle).extension);
  // Upper-casing maps ASCII byte by byte, so a name's extension is
  // upper-cased on its own.
  const std::string upper_sql_extension = text::UpperCase(sql_extension);
  const std::string upper_oracle_extension = text::UpperCase(oracle_extension);
  std::unordered_set<std::string> done;
  for (std::size_t i = 1; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    const std::string upper = text::UpperCase(names[i]);
    if (!done.insert(upper).second) continue;
    const std::string oracle_name = names[i] + oracle_extension;
    const std::string sql_name = names[i] + sql_extension;
    const bool oracle =
        scripts.Sees(oracle_name, scripts.Locate(oracle_name, upper + upper_oracle_extension));
    const bool sql = scripts.Sees(sql_name, scripts.Locate(sql_name, upper + upper_sql_extension));
    if (oracle == sql) continue;
    const std::string shown =
        generate::CaminhoMensagem(scripts.PathOf(oracle ? oracle_name : sql_name));
    sink({std::string(k::kVendorParity), std::string(object_type),
          KindName(oracle ? DatabaseKind::kSqlServer : DatabaseKind::kOracle),
          (oracle ? "Falta o par SQL Server de: " : "Falta o par Oracle de: ") + shown, shown});
  }
}

}  // namespace

bool RunSeesFile(const std::string& path) {
  platform::FileInfo info;
  if (!platform::GetInfo(path, &info).ok()) return false;
  return (info.attributes & (platform::kAttrDirectory | platform::kAttrHidden)) == 0;
}

bool ListFaults(config::INI& ini, std::string_view object_type, const FindingSink& sink) {
  const std::string type(object_type);
  // The file is the caller's to say; the line is the key's.
  auto add = [&](std::string_view kind, std::string text, int line) {
    sink({std::string(kind), type, "", std::move(text), "", line});
  };
  const std::string section = " na seção " + type + ": ";
  ini.Section(type);
  if (!ini.HasSection()) return false;

  // NUMFILES as the run reads it (its first line); a type with
  // kCountOptional reads a missing or empty one as 0.
  const std::string numfiles_text = ini.ReadINISettings("NUMFILES");
  long numfiles = ParseNumfiles(numfiles_text);
  const config::ObjectType* row = config::FindObjectType(object_type);
  if (row && (row->quirks & config::kCountOptional) != 0 && numfiles_text.empty()) numfiles = 0;

  // The counted names, upper-cased, with the key that named each first: at
  // most NUMFILES of them, however many keys the section holds.
  std::unordered_map<std::string, std::string> first_key_of_name;
  ini.ForEachKeyLine([&](const config::INI::KeyLine& key) {
    if (!key.first) {
      add(k::kDuplicateKey, "Chave repetida" + section + key.name + LineNote(key.line), key.line);
      return;
    }
    const std::string upper = text::UpperCase(key.name);
    if (upper == "NUMFILES") return;
    const long number = FileKeyNumber(upper);
    if (number == 0) {
      add(k::kUnknownKey, "Chave desconhecida" + section + key.name + LineNote(key.line), key.line);
      return;
    }
    if (numfiles < 0) return;  // the run reports the missing or invalid NUMFILES
    if (number > numfiles) {
      add(k::kKeyAboveNumfiles,
          "Chave acima de NUMFILES" + section + key.name + "=" + key.value + LineNote(key.line),
          key.line);
      return;
    }
    if (key.value.empty()) return;  // the run reports the entry as not found
    std::string name_upper = text::UpperCase(key.value);
    if (EndsInSourceExtension(name_upper)) {
      add(k::kNameWithExtension, "Nome com extensao" + section + key.name + "=" + key.value,
          key.line);
    }
    if (LeadsOutOfFolder(key.value)) {
      add(k::kNameOutsideFolder,
          "Nome fora da pasta de origem" + section + key.name + "=" + key.value, key.line);
    }
    auto [first, fresh] = first_key_of_name.try_emplace(std::move(name_upper), key.name);
    if (!fresh) {
      add(k::kDuplicateName,
          "Nome repetido" + section + key.name + "=" + key.value + " (igual a " + first->second +
              ")",
          key.line);
    }
  });
  return true;
}

std::vector<Finding> VendorParity(std::string_view object_type, const std::string& source_folder,
                                  const std::vector<std::string>& names) {
  std::vector<Finding> findings;
  ParityOf(object_type, FolderScripts(source_folder), names,
           [&findings](Finding finding) { findings.push_back(std::move(finding)); });
  return findings;
}

void EncodingSniffer::Feed(std::string_view bytes) {
  if (head_.size() < 3) head_.append(bytes.substr(0, 3 - head_.size()));
  if (!valid_utf8_) return;
  for (char ch : bytes) {
    if (!TakeByte(static_cast<unsigned char>(ch))) {
      valid_utf8_ = false;
      return;
    }
  }
}

bool EncodingSniffer::TakeByte(unsigned char c) {
  if (pending_ > 0) return TakeContinuationByte(c);
  if (c < 0x80) return true;
  non_ascii_ = true;
  return TakeLeadByte(c);
}

bool EncodingSniffer::TakeContinuationByte(unsigned char c) {
  if (c < min_second_ || c > max_second_) return false;
  min_second_ = 0x80;
  max_second_ = 0xBF;
  --pending_;
  return true;
}

bool EncodingSniffer::TakeLeadByte(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) {
    pending_ = 1;
    return true;
  }
  if (c < 0xE0 || c > 0xF4) return false;
  pending_ = c >= 0xF0 ? 3 : 2;
  // No overlong forms, surrogates nor values above U+10FFFF.
  min_second_ = text::utf8_internal::FirstTrailLow(c);
  max_second_ = text::utf8_internal::FirstTrailHigh(c);
  return true;
}

bool EncodingSniffer::Decided() const {
  // A byte-order mark decides at once, and text that is not UTF-8 stays so
  // (a sequence still open at the end of a piece may yet be completed).
  const EncodingIssue result = Result();
  const bool mark = result == EncodingIssue::kUtf8Bom || result == EncodingIssue::kUtf16LeBom ||
                    result == EncodingIssue::kUtf16BeBom;
  return (head_.size() >= 2 && mark) || (head_.size() >= 3 && !valid_utf8_);
}

EncodingIssue EncodingSniffer::Result() const {
  if (head_.starts_with("\xEF\xBB\xBF")) return EncodingIssue::kUtf8Bom;
  if (head_.starts_with("\xFF\xFE")) return EncodingIssue::kUtf16LeBom;
  if (head_.starts_with("\xFE\xFF")) return EncodingIssue::kUtf16BeBom;
  if (single_byte_page_ && valid_utf8_ && pending_ == 0 && non_ascii_) {
    return EncodingIssue::kUtf8Text;
  }
  if (utf8_page_ && (!valid_utf8_ || pending_ != 0)) return EncodingIssue::kInvalidUtf8;
  return EncodingIssue::kNone;
}

platform::Status InspectEncoding(std::string_view path, bool single_byte_page, bool utf8_page,
                                 EncodingIssue* issue) {
  platform::File file;
  platform::Status status = platform::File::Open(path, platform::File::Mode::kRead, &file);
  if (!status.ok()) return status;
  EncodingSniffer sniffer(single_byte_page, utf8_page);
  // Not zero-filled: clearing a megabyte per file cost more than reading a
  // small file.
  auto block = std::make_unique_for_overwrite<char[]>(kReadBlock);
  status = Sniff(file, block.get(), kReadBlock, &sniffer);
  if (!status.ok()) return status;
  *issue = sniffer.Result();
  return platform::Status::Ok();
}

Finding EncodingFinding(EncodingIssue issue, std::string_view object_type,
                        std::string_view database, const std::string& path,
                        std::string_view code_page) {
  const std::string shown = generate::CaminhoMensagem(path);
  Finding finding{"", std::string(object_type), std::string(database), "", shown};
  switch (issue) {
    case EncodingIssue::kNone:
    case EncodingIssue::kUtf8Bom:
    case EncodingIssue::kUtf16LeBom:
    case EncodingIssue::kUtf16BeBom:
      break;
    case EncodingIssue::kUtf8Text:
      finding.kind = k::kUtf8Text;
      finding.text = "Arquivo em UTF-8 com texto nao ASCII (code page " + std::string(code_page) +
                     "): " + shown;
      break;
    case EncodingIssue::kInvalidUtf8:
      finding.kind = k::kInvalidUtf8;
      finding.text = "Arquivo com bytes invalidos em UTF-8: " + shown;
      break;
  }
  return finding;
}

Finding ConfigurationEncoding(const std::string& path, const text::CodePage& page) {
  EncodingIssue issue = EncodingIssue::kNone;
  Finding finding;
  if (!page.single_byte() || !InspectEncoding(path, true, false, &issue).ok() ||
      issue != EncodingIssue::kUtf8Text) {
    return finding;
  }
  finding.kind = k::kConfigUtf8Text;
  finding.file = generate::CaminhoMensagem(path);
  finding.text = "Arquivo de configuração parece estar em UTF-8: " + finding.file +
                 " (salve-o em " + page.name() + " ou com BOM, ou defina CodePage)";
  return finding;
}

Finding ClientRuleFinding(const RuleHit& hit, std::string_view object_type,
                          std::string_view database, const std::string& path) {
  const std::string shown = generate::CaminhoMensagem(path);
  return {std::string(hit.rule->kind.id),
          std::string(object_type),
          std::string(database),
          std::string(hit.rule->message) + ": " + shown + LineNote(hit.line),
          shown,
          hit.line};
}

namespace {

// A kind the run calls a type for, with the extension of its scripts there
// and whether the framing puts each of them inside a PL/SQL block.
struct Side {
  DatabaseKind kind;
  std::string_view database;
  std::string_view extension;
  bool wrapped;
};

std::vector<Side> SidesOf(std::string_view object_type, std::string_view sistema) {
  std::vector<Side> sides;
  const config::ObjectType* type = config::FindObjectType(object_type);
  for (DatabaseKind kind : generate::kDatabaseKinds) {
    if (type && generate::HasCall(*type, kind)) {
      sides.push_back({kind, generate::Describe(kind).keyword,
                       generate::SourceExtension(object_type, kind),
                       generate::AberturaArquivo(*type, kind, sistema).block_opening});
    }
  }
  return sides;
}

// The encoding of the file `file_name` of `scripts` (`place`: what Locate
// gave for it), read through `block`; kNone for a file that cannot be read,
// which the run reports itself.
EncodingIssue InspectListed(const FolderScripts& scripts, const std::string& file_name,
                            std::size_t place, char* block, bool single_byte_page, bool utf8_page) {
  platform::File file;
  if (!scripts.Open(file_name, place, &file).ok()) return EncodingIssue::kNone;
  EncodingSniffer sniffer(single_byte_page, utf8_page);
  if (!Sniff(file, block, kReadBlock, &sniffer).ok()) return EncodingIssue::kNone;
  return sniffer.Result();
}

// Reads the listed scripts of one object type's folder, one after another
// with the same buffers, for their encoding and the client rules.
class ScriptReader {
 public:
  ScriptReader(const text::CodePage& page, std::string_view object_type, const FindingSink& sink)
      : page_(page),
        object_type_(object_type),
        sink_(sink),
        utf8_page_(IsUtf8Page(page.name())),
        block_(std::make_unique_for_overwrite<char[]>(kReadBlock)) {}

  // The findings of the file `file_name` of `scripts` (`place`: what Locate
  // gave for it) on `side`: its encoding's, then the client rules', by line.
  void Check(const FolderScripts& scripts, const std::string& file_name, std::size_t place,
             const Side& side) {
    const std::string path = scripts.PathOf(file_name);
    const EncodingIssue issue =
        InspectListed(scripts, file_name, place, block_.get(), page_.single_byte(), utf8_page_);
    if (issue != EncodingIssue::kNone) {
      Finding finding = EncodingFinding(issue, object_type_, side.database, path, page_.name());
      if (!finding.kind.empty()) sink_(std::move(finding));
    }
    // A script that cannot be read is the run's to report.
    hits_.clear();
    if (!scripts.OpenLines(file_name, place, page_, &rules_.reader()).ok() ||
        !rules_.Check(side.kind, side.wrapped, &hits_).ok()) {
      return;
    }
    for (const RuleHit& hit : hits_) {
      sink_(ClientRuleFinding(hit, object_type_, side.database, path));
    }
  }

 private:
  const text::CodePage& page_;
  std::string_view object_type_;
  const FindingSink& sink_;
  bool utf8_page_;
  std::unique_ptr<char[]> block_;  // one block for every file of the folder
  ClientRuleChecker rules_;
  std::vector<RuleHit> hits_;  // of one script at a time
};

// The encoding findings and the client rules' findings of the scripts
// listed as `names` on every side that the run sees and that lie inside
// `path_origem`, each file once, whichever name leads to it.
void CheckScripts(const std::string& path_origem, const text::CodePage& page,
                  std::string_view object_type, const FolderScripts& scripts,
                  const std::vector<std::string>& names, const std::vector<Side>& sides,
                  const FindingSink& sink) {
  // A file outside the source root is not copied (the run says so); its
  // bytes are not the check's to look at either.
  const bool folder_inside = generate::LiesInSourceRoot(path_origem, scripts.folder());
  // The folder is the same for all, so the upper-cased file names tell the
  // paths apart.
  std::unordered_set<std::string> done;
  ScriptReader reader(page, object_type, sink);
  for (const Side& side : sides) {
    for (std::size_t i = 1; i < names.size(); ++i) {
      if (names[i].empty()) continue;
      const std::string file_name = names[i] + std::string(side.extension);
      std::string upper = text::UpperCase(file_name);
      const std::size_t place = scripts.Locate(file_name, upper);
      if (!done.insert(std::move(upper)).second || !scripts.Sees(file_name, place)) continue;
      if ((!folder_inside || !scripts.Plain(place)) &&
          !generate::LiesInSourceRoot(path_origem, scripts.PathOf(file_name))) {
        continue;
      }
      reader.Check(scripts, file_name, place, side);
    }
  }
}

}  // namespace

void CheckObjectType(const config::RepositorySettings& settings,
                     const config::GeneralSettings& general, std::string_view object_type,
                     const FindingSink& sink) {
  const text::CodePage& page = *general.code_page;
  config::INI ini;
  ini.ININame(settings.ArqConfigIni, page);
  // Without the section (or a readable file) there is nothing listed to
  // check, and the run has said so already.
  // The file list's faults name it, with the key's line.
  const std::string list_file = generate::CaminhoMensagem(settings.ArqConfigIni);
  const bool listed = ListFaults(ini, object_type, [&](Finding fault) {
    fault.file = list_file;
    sink(std::move(fault));
  });
  if (!listed) return;

  // The folder the run reads the type's scripts from, "" when it has none.
  const std::string folder =
      generate::PlanCall(settings, object_type, DatabaseKind::kSqlServer).source_folder;
  if (folder.empty()) return;
  const config::FileList list = config::ReadFileList(ini, object_type);
  if (list.status != config::FileListStatus::kOk) return;

  const FolderScripts scripts(folder);
  ParityOf(object_type, scripts, list.names, sink);

  const std::vector<Side> sides = SidesOf(object_type, settings.SISTEMA);
  CheckScripts(settings.PathOrigem, page, object_type, scripts, list.names, sides, sink);
  for (const Side& side : sides) {
    for (const auto& [first, twin] : scripts.CaseTwins(side.extension)) {
      const std::string shown = generate::CaminhoMensagem(scripts.PathOf(first));
      std::string text = "Arquivos que diferem so na caixa (so um e instalado): ";
      text.append(shown).append(" e ").append(twin);
      sink({std::string(k::kCaseTwin), std::string(object_type), std::string(side.database),
            std::move(text), shown});
    }
  }
}

}  // namespace vkt::app
