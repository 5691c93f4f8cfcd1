#include "app/release_checks.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/client_rules.h"
#include "app/folder_scripts.h"
#include "app/problem_kinds.h"
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

// The passes of the walk of one object type, in the order it makes them:
// each key line of the type's file-list section, each name it lists (once,
// whatever its letter case), each listed script of each kind the run reads
// it for, and the type's folder once per kind.
enum class Pass { kKeyLine, kName, kScript, kFolder };

// A kind the run calls a type for, with the extension of its scripts there
// and whether the framing puts each of them inside a PL/SQL block.
struct Side {
  DatabaseKind kind;
  std::string_view database;
  std::string_view extension;
  bool wrapped;
};

// What the rules of the script pass read with: one block and one checker
// for every file of a folder.
struct ScriptBuffers {
  bool utf8_page = false;  // the run's code page is UTF-8
  // Not zero-filled: clearing a megabyte per file cost more than reading a
  // small file.
  std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(kReadBlock);
  ClientRuleChecker rules;
  std::vector<RuleHit> hits;  // of one script at a time
};

// What the walk knows when it asks a rule; each pass fills its own part.
struct Facts {
  std::string_view object_type;
  // kKeyLine: the key, i of FILEi (0 for another key), NUMFILES as the run
  // reads it (-1 when the run reports it), and whether the run reads the
  // key's name (a FILEi up to NUMFILES, not empty), upper-cased.
  const config::INI::KeyLine* key = nullptr;
  long number = 0;
  long numfiles = -1;
  bool counted = false;
  std::string upper_value = {};
  // The counted names, upper-cased, with the key that named each first.
  std::unordered_map<std::string, std::string>* first_key_of_name = nullptr;
  // kName, kScript and kFolder: the type's folder; kName: the name.
  const FolderScripts* scripts = nullptr;
  const std::string* name = nullptr;
  // kScript and kFolder: the kind; kScript: the file, what Locate gave for
  // it, its program path, the run's code page, and the file's encoding once
  // a rule has asked for it (Encoding()).
  const Side* side = nullptr;
  const std::string* file_name = nullptr;
  std::size_t place = 0;
  std::string path = {};
  const text::CodePage* page = nullptr;
  ScriptBuffers* buffers = nullptr;
  mutable std::optional<EncodingIssue> encoding = {};

  // The encoding of the script; kNone for one that cannot be read, which the
  // run reports itself. Read once, whichever rule asks first.
  EncodingIssue Encoding() const {
    if (!encoding) {
      encoding = EncodingIssue::kNone;
      platform::File file;
      EncodingSniffer sniffer(page->single_byte(), buffers->utf8_page);
      if (scripts->Open(*file_name, place, &file).ok() &&
          Sniff(file, buffers->block.get(), kReadBlock, &sniffer).ok()) {
        encoding = sniffer.Result();
      }
    }
    return *encoding;
  }
};

// How a rule gives its findings: of its row's kind, the text beginning with
// the kind's text (or its other one).
class Emit {
 public:
  Emit(const ProblemKindInfo* kind, const Facts& facts, const FindingSink& sink)
      : kind_(kind), facts_(facts), sink_(sink) {}
  // `database`: the finding's own, when not the kind of the pass.
  void operator()(std::string_view rest, std::string file = {}, int line = 0,
                  bool other_text = false, std::string_view database = {}) const {
    std::string text(other_text ? kind_->other_text : kind_->text);
    text += rest;
    if (database.empty() && facts_.side) database = facts_.side->database;
    sink_({std::string(kind_->id), std::string(facts_.object_type), std::string(database),
           std::move(text), std::move(file), line});
  }
  // A finding of the key line: "<type>: <key>" and `detail` after the text.
  void Key(std::string_view detail) const {
    std::string rest(facts_.object_type);
    rest.append(": ").append(facts_.key->name).append(detail);
    (*this)(rest, {}, facts_.key->line);
  }
  const FindingSink& sink() const { return sink_; }

 private:
  const ProblemKindInfo* kind_;
  const Facts& facts_;
  const FindingSink& sink_;
};

using Rule = void (*)(const Facts& facts, const Emit& emit);

// One check: the kind of its findings (null: the client rules' own kinds),
// the pass it looks in, and what it looks for.
struct CheckRow {
  const ProblemKindInfo* kind;
  Pass pass;
  Rule rule;
};

std::string ValueNote(const Facts& f) { return "=" + f.key->value; }

// The rules, one per row of kReleaseChecks below.

void DuplicateKey(const Facts& f, const Emit& emit) {
  if (!f.key->first) emit.Key(LineNote(f.key->line));
}

void UnknownKey(const Facts& f, const Emit& emit) {
  if (f.key->first && f.number == 0 && text::UpperCase(f.key->name) != "NUMFILES") {
    emit.Key(LineNote(f.key->line));
  }
}

void KeyAboveNumfiles(const Facts& f, const Emit& emit) {
  if (f.key->first && f.number > 0 && f.numfiles >= 0 && f.number > f.numfiles) {
    emit.Key(ValueNote(f) + LineNote(f.key->line));
  }
}

void NameWithExtension(const Facts& f, const Emit& emit) {
  if (f.counted && EndsInSourceExtension(f.upper_value)) emit.Key(ValueNote(f));
}

void NameOutsideFolder(const Facts& f, const Emit& emit) {
  if (f.counted && LeadsOutOfFolder(f.key->value)) emit.Key(ValueNote(f));
}

void DuplicateName(const Facts& f, const Emit& emit) {
  if (!f.counted) return;
  auto [first, fresh] = f.first_key_of_name->try_emplace(f.upper_value, f.key->name);
  if (!fresh) emit.Key(ValueNote(f) + " (igual a " + first->second + ")");
}

// A name with its Oracle file but not its SQL Server file, or the reverse;
// a name with neither is the run's to report.
void VendorParityOf(const Facts& f, const Emit& emit) {
  const std::string& name = *f.name;
  const std::string upper = text::UpperCase(name);
  // Upper-casing maps ASCII byte by byte, so a name's extension is
  // upper-cased on its own.
  auto sees = [&](std::string_view extension) {
    const std::string file_name = name + std::string(extension);
    return f.scripts->Sees(file_name,
                           f.scripts->Locate(file_name, upper + text::UpperCase(extension)));
  };
  const std::string_view sql_extension =
      generate::SourceExtension(f.object_type, DatabaseKind::kSqlServer);
  const std::string_view oracle_extension = generate::Describe(DatabaseKind::kOracle).extension;
  const bool oracle = sees(oracle_extension);
  if (oracle == sees(sql_extension)) return;
  const std::string shown = generate::CaminhoMensagem(
      f.scripts->PathOf(name + std::string(oracle ? oracle_extension : sql_extension)));
  // The finding is the missing file's kind's.
  const DatabaseKind missing = oracle ? DatabaseKind::kSqlServer : DatabaseKind::kOracle;
  emit(shown, shown, 0, !oracle, generate::Describe(missing).keyword);
}

void Utf8Text(const Facts& f, const Emit& emit) {
  if (f.Encoding() != EncodingIssue::kUtf8Text) return;
  const std::string shown = generate::CaminhoMensagem(f.path);
  emit(f.page->name() + "): " + shown, shown);
}

void InvalidUtf8(const Facts& f, const Emit& emit) {
  if (f.Encoding() != EncodingIssue::kInvalidUtf8) return;
  const std::string shown = generate::CaminhoMensagem(f.path);
  emit(shown, shown);
}

// Every rule of app/client_rules.h that applies to the script, by line.
void ClientRulesOf(const Facts& f, const Emit& emit) {
  ScriptBuffers& buffers = *f.buffers;
  buffers.hits.clear();
  // A script that cannot be read is the run's to report.
  if (!f.scripts->OpenLines(*f.file_name, f.place, *f.page, &buffers.rules.reader()).ok() ||
      !buffers.rules.Check(f.side->kind, f.side->wrapped, &buffers.hits).ok()) {
    return;
  }
  for (const RuleHit& hit : buffers.hits) {
    emit.sink()(ClientRuleFinding(hit, f.object_type, f.side->database, f.path));
  }
}

void CaseTwins(const Facts& f, const Emit& emit) {
  for (const auto& [first, twin] : f.scripts->CaseTwins(f.side->extension)) {
    const std::string shown = generate::CaminhoMensagem(f.scripts->PathOf(first));
    std::string rest = shown;
    rest.append(" e ").append(twin);
    emit(rest, shown);
  }
}

// The release checks of an object type. A new kind of problem is a row here,
// its rule above and its row in app/problem_kinds.h. Within a pass, the
// findings of one key, name, script or folder come in the order of the rows.
constexpr CheckRow kReleaseChecks[] = {
    {&ProblemKind(k::kDuplicateKey), Pass::kKeyLine, DuplicateKey},
    {&ProblemKind(k::kUnknownKey), Pass::kKeyLine, UnknownKey},
    {&ProblemKind(k::kKeyAboveNumfiles), Pass::kKeyLine, KeyAboveNumfiles},
    {&ProblemKind(k::kNameWithExtension), Pass::kKeyLine, NameWithExtension},
    {&ProblemKind(k::kNameOutsideFolder), Pass::kKeyLine, NameOutsideFolder},
    {&ProblemKind(k::kDuplicateName), Pass::kKeyLine, DuplicateName},
    {&ProblemKind(k::kVendorParity), Pass::kName, VendorParityOf},
    {&ProblemKind(k::kUtf8Text), Pass::kScript, Utf8Text},
    {&ProblemKind(k::kInvalidUtf8), Pass::kScript, InvalidUtf8},
    {nullptr, Pass::kScript, ClientRulesOf},
    {&ProblemKind(k::kCaseTwin), Pass::kFolder, CaseTwins},
};

// Asks every rule of `pass` about `facts`.
void RunPass(Pass pass, const Facts& facts, const FindingSink& sink) {
  for (const CheckRow& row : kReleaseChecks) {
    if (row.pass == pass) row.rule(facts, Emit(row.kind, facts, sink));
  }
}

// The name pass over the distinct names `names` (element 0 unused; empty
// names skipped) of `scripts`' folder.
void NamePass(std::string_view object_type, const FolderScripts& scripts,
              const std::vector<std::string>& names, const FindingSink& sink) {
  std::unordered_set<std::string> done;
  for (std::size_t i = 1; i < names.size(); ++i) {
    if (names[i].empty() || !done.insert(text::UpperCase(names[i])).second) continue;
    RunPass(Pass::kName, {.object_type = object_type, .scripts = &scripts, .name = &names[i]},
            sink);
  }
}

}  // namespace

bool RunSeesFile(const std::string& path) {
  platform::FileInfo info;
  if (!platform::GetInfo(path, &info).ok()) return false;
  return (info.attributes & (platform::kAttrDirectory | platform::kAttrHidden)) == 0;
}

bool ListFaults(config::INI& ini, std::string_view object_type, const FindingSink& sink) {
  ini.Section(std::string(object_type));
  if (!ini.HasSection()) return false;

  Facts facts{.object_type = object_type};
  // NUMFILES as the run reads it (its first line); a type with
  // kCountOptional reads a missing or empty one as 0.
  const std::string numfiles_text = ini.ReadINISettings("NUMFILES");
  facts.numfiles = ParseNumfiles(numfiles_text);
  const config::ObjectType* row = config::FindObjectType(object_type);
  if (row && (row->quirks & config::kCountOptional) != 0 && numfiles_text.empty()) {
    facts.numfiles = 0;
  }
  // At most NUMFILES names, however many keys the section holds.
  std::unordered_map<std::string, std::string> first_key_of_name;
  facts.first_key_of_name = &first_key_of_name;
  ini.ForEachKeyLine([&](const config::INI::KeyLine& key) {
    facts.key = &key;
    facts.number = FileKeyNumber(text::UpperCase(key.name));
    facts.counted = key.first && facts.number > 0 && facts.numfiles >= 0 &&
                    facts.number <= facts.numfiles && !key.value.empty();
    facts.upper_value = facts.counted ? text::UpperCase(key.value) : std::string();
    RunPass(Pass::kKeyLine, facts, sink);
  });
  return true;
}

std::vector<Finding> VendorParity(std::string_view object_type, const std::string& source_folder,
                                  const std::vector<std::string>& names) {
  std::vector<Finding> findings;
  NamePass(object_type, FolderScripts(source_folder), names,
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
      finding.text =
          std::string(ProblemText(k::kUtf8Text)) + std::string(code_page) + "): " + shown;
      break;
    case EncodingIssue::kInvalidUtf8:
      finding.kind = k::kInvalidUtf8;
      finding.text = std::string(ProblemText(k::kInvalidUtf8)) + shown;
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
  finding.text = std::string(ProblemText(k::kConfigUtf8Text)) + finding.file + " (salve-o em " +
                 page.name() + " ou com BOM, ou defina CodePage)";
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

// The script pass over the scripts listed as `names` on every side that the
// run sees and that lie inside `path_origem`, each file once, whichever name
// leads to it.
void ScriptPass(const std::string& path_origem, const text::CodePage& page,
                std::string_view object_type, const FolderScripts& scripts,
                const std::vector<std::string>& names, const std::vector<Side>& sides,
                const FindingSink& sink) {
  // A file outside the source root is not copied (the run says so); its
  // bytes are not the check's to look at either.
  const bool folder_inside = generate::LiesInSourceRoot(path_origem, scripts.folder());
  // The folder is the same for all, so the upper-cased file names tell the
  // paths apart.
  std::unordered_set<std::string> done;
  ScriptBuffers buffers;
  buffers.utf8_page = IsUtf8Page(page.name());
  for (const Side& side : sides) {
    for (std::size_t i = 1; i < names.size(); ++i) {
      if (names[i].empty()) continue;
      const std::string file_name = names[i] + std::string(side.extension);
      std::string upper = text::UpperCase(file_name);
      const std::size_t place = scripts.Locate(file_name, upper);
      if (!done.insert(std::move(upper)).second || !scripts.Sees(file_name, place)) continue;
      std::string path = scripts.PathOf(file_name);
      if ((!folder_inside || !scripts.Plain(place)) &&
          !generate::LiesInSourceRoot(path_origem, path)) {
        continue;
      }
      RunPass(Pass::kScript,
              {.object_type = object_type,
               .scripts = &scripts,
               .side = &side,
               .file_name = &file_name,
               .place = place,
               .path = std::move(path),
               .page = &page,
               .buffers = &buffers},
              sink);
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
  NamePass(object_type, scripts, list.names, sink);
  const std::vector<Side> sides = SidesOf(object_type, settings.SISTEMA);
  ScriptPass(settings.PathOrigem, page, object_type, scripts, list.names, sides, sink);
  for (const Side& side : sides) {
    RunPass(Pass::kFolder, {.object_type = object_type, .scripts = &scripts, .side = &side}, sink);
  }
}

}  // namespace vkt::app
