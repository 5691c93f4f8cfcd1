#include "generate/gera_script.h"

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/file_list.h"
#include "config/object_types.h"
#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "generate/call_plan.h"
#include "generate/docs_e_bats.h"
#include "generate/framing.h"
#include "generate/script_io.h"
#include "services/desktop.h"
#include "text/control_escapes.h"
#include "text/letter_case.h"

namespace vkt::generate {
namespace {

using platform::Status;

std::string Join(const std::vector<std::string>& lines, std::string_view separator) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += separator;
    joined += lines[i];
  }
  return joined;
}

// The root ("/", "\\") keeps its one separator.
std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// Ok for a folder, ENOTDIR for anything else.
Status FolderOrNot(const platform::FileInfo& info) {
  return (info.attributes & platform::kAttrDirectory) ? Status::Ok() : Status::Errno(ENOTDIR);
}

// Creates the folder `path` unless something of that name exists: Ok when a
// folder is there or was made.
Status MakeFolder(const std::string& path) {
  platform::FileInfo info;
  const Status status = platform::GetInfo(WithoutTrailingSeparators(path), &info);
  if (status.ok()) return FolderOrNot(info);
  return platform::CreateDirectory(path);
}

// What MakeFolder would give, without making anything. Folders are made one
// level at a time: the outermost one needs its parent, the inner ones are
// inside folders this run would make.
Status PredictFolder(const std::string& path, bool outermost) {
  platform::FileInfo info;
  const std::string folder = WithoutTrailingSeparators(path);
  Status status = platform::GetInfo(folder, &info);
  if (status.ok()) return FolderOrNot(info);
  if (status.code != ENOENT) return status;
  if (!outermost) return Status::Ok();
  const std::size_t cut = folder.find_last_of("\\/");
  if (cut == std::string::npos || cut == 0) return Status::Ok();
  const Status parent = platform::GetInfo(folder.substr(0, cut), &info);
  return parent.ok() ? FolderOrNot(info) : status;
}

// What creating the script `path` would fail with, as far as it can be told
// without creating it: a folder in its place, or a read-only file.
Status PredictScriptCreation(const std::string& path) {
  Status status = platform::CheckReplaceable(path);
  // Its folder is missing only where this dry run would have made it.
  return status.code == ENOENT ? Status::Ok() : status;
}

// The existence test of a listed file: a file that is not hidden. A listed
// name holding "*" or "?" names that very file, never a pattern.
bool SourceExists(fs::FileSystemObject& fso, const std::string& path, std::string_view entry) {
  if (entry.find_first_of("*?") == std::string_view::npos) return fso.FileExists(path);
  platform::FileInfo info;
  return platform::GetInfo(path, &info).ok() &&
         (info.attributes & (platform::kAttrDirectory | platform::kAttrHidden)) == 0;
}

// True when the listed name `entry` is one entry of the source folder itself,
// which the folder's listing can settle: no wildcard (such a name is tested as
// a path), no separator, not "." or "..".
bool NamesFolderEntry(std::string_view entry) {
  return entry.find_first_of("*?\\/") == std::string_view::npos && entry != "." && entry != "..";
}

// Opens the listed file `entry` (path `path`) for copying, after the
// existence test: `*exists` false (and nothing opened) for a file that does
// not exist, is hidden or is a folder. `index` is where the name resolves in
// the source folder's listing: then the listing answers the existence test
// and the file is opened relative to the folder (`*plain` when the entry is
// no link). With kNone (not in the listing, or a name it cannot settle), and
// for a listed file that went away since the listing was taken, the test and
// the open go by path.
Status OpenSource(SourceFile& source, fs::FileSystemObject& fso,
                  const platform::ListedFolder& folder, std::size_t index, const std::string& path,
                  std::string_view entry, bool* exists, bool* plain) {
  *plain = false;
  if (index != platform::ListedFolder::kNone) {
    const platform::Entry& found = folder.entry(index);
    *exists = !found.is_directory && found.name.front() != '.';
    if (!*exists) return Status::Ok();
    Status opened = source.Open(folder, index);
    *plain = opened.ok() && !found.is_link;
    if (opened.code != ENOENT && opened.code != ENOTDIR) return opened;
  }
  *exists = SourceExists(fso, path, entry);
  return *exists ? source.Open(path) : Status::Ok();
}

// The source root `PathOrigem` as it lies on disk, and whether the listed
// folder lies inside it; a listed file may be copied only from inside it.
struct SourceRoot {
  std::string canonical;  // "" when it leads nowhere or is unresolved: nothing lies inside
  Status unresolved;      // why the system could not tell where it leads (not ENOENT)
  bool folder_inside = false;
};

SourceRoot FindSourceRoot(const std::string& path_origem, const platform::ListedFolder& listed) {
  SourceRoot root;
  if (Status status = platform::CanonicalPath(path_origem, &root.canonical); !status.ok()) {
    root.canonical.clear();
    if (status.code != ENOENT) root.unresolved = std::move(status.About({}, path_origem));
  }
  std::string folder;
  root.folder_inside = listed.is_open() && listed.CanonicalPath(&folder).ok() &&
                       platform::IsSameOrInside(folder, root.canonical);
  return root;
}

// Whether the open source (listed as `shown`) lies inside the source root:
// Ok, with `*outside` where it lies when that is outside the root ("" inside),
// or why the root or the source could not be resolved (its path in it). A
// plain entry of a folder inside the root lies inside without a look.
Status WhereOutsideRoot(const SourceRoot& root, const SourceFile& source, bool plain,
                        std::string_view shown, std::string* outside) {
  outside->clear();
  if (plain && root.folder_inside) return Status::Ok();
  if (!root.unresolved.ok()) return root.unresolved;
  std::string where;
  if (Status status = source.CanonicalPath(&where); !status.ok()) {
    return std::move(status.About({}, shown));
  }
  if (!platform::IsSameOrInside(where, root.canonical)) *outside = std::move(where);
  return Status::Ok();
}

// One call of GeraScript: its steps, in the order they run, and what they
// hand each other. Every path comes from the call's plan (PlanCall).
class ScriptCall {
 public:
  ScriptCall(const DesktopServices& desktop, config::RunState& state, std::string_view tipo_objeto,
             DatabaseKind kind, bool exec, const GenerationOptions& options)
      : desktop_(WithDefaults(desktop)),
        state_(state),
        settings_(state.settings),
        tipo_objeto_(tipo_objeto),
        kind_(kind),
        exec_(exec),
        options_(options),
        plan_(PlanCall(state.settings, tipo_objeto, kind)),
        type_(config::FindObjectType(tipo_objeto)),
        fso_(desktop_) {}

  void Run() {
    // The configuration in use; the window repaints.
    desktop_.view->SetCaption(Caption::kConfigUtilizado,
                              "Lendo config :: " + CaminhoMensagem(settings_.ArqConfigIni));
    desktop_.loop->Yield();
    if (MakeOutputFolders()) Generate();
    // Whatever the call did, the message area shows the whole buffer.
    desktop_.view->SetMessageText(Join(state_.Mensagens, Describe(kind_).separator));
  }

 private:
  void Add(std::string_view line) { AdicionaMensagem(state_.Mensagens, line); }

  // One level at a time; false (and a message) when one cannot be made.
  bool MakeOutputFolders() {
    return EnsureFolder(settings_.PathDestino, /*outermost=*/true) &&
           EnsureFolder(plan_.database_folder) && EnsureFolder(plan_.output_folder);
  }

  // Creates the folder `path` unless something of that name exists. A file in
  // its place, or a failed creation, becomes the message "Erro ao criar a
  // pasta: ..." and the result false.
  // A dry run creates nothing: a missing folder would be created, anything else
  // is reported as the creation would report it.
  bool EnsureFolder(const std::string& path, bool outermost = false) {
    const Status status = options_.dry_run ? PredictFolder(path, outermost) : MakeFolder(path);
    if (status.ok()) return true;
    Add(LinhaDeErro(Status(status).About(platform::Operation::kCreateFolder, path)));
    return false;
  }

  void Generate() {
    if (type_ && type_->object_class == config::ObjectClass::kCompanions) {
      CopiaDocsEBats(*desktop_.boxes, state_, kind_, plan_.output_folder, options_);
      return;
    }
    ListSourceFolder();
    if (!ReadFileList()) return;
    ReportUnreadableFolder();
    CheckFolder();
    desktop_.view->SetCaption(Caption::kDiretorioDestino, CaminhoMensagem(plan_.output_file));
    if (!plan_.output_file.empty()) WriteScript();
  }

  // The files of the source folder that match "*" + extension, in listing
  // order. A type without a source folder lists nothing (the bare expression
  // would name the root of the file system).
  void ListSourceFolder() {
    if (plan_.source_folder.empty() || !listed_.Open(plan_.source_folder + "\\").ok()) return;
    for (std::size_t j : listed_.Matching("*" + plan_.extension)) {
      if (!listed_.entry(j).is_directory) files_.push_back(j);
    }
  }

  // The entries of the type's section, each name with the extension; false
  // (and a message) when the section is missing or its count is invalid.
  bool ReadFileList() {
    const config::FileList list = config::ReadFileList(*desktop_.boxes, settings_.ArqConfigIni,
                                                       *options_.general.code_page, tipo_objeto_);
    if (list.status == config::FileListStatus::kUnreadable) {
      ReportUnreadableList(list.read_status);
      return false;
    }
    if (list.status == config::FileListStatus::kMissingSection) {
      Add("Nao existe a seção: " + std::string(tipo_objeto_) + " no arquivo ini");
      return false;
    }
    if (list.status == config::FileListStatus::kInvalidCount) {
      Add("Valor invalido de NUMFILES na seção: " + std::string(tipo_objeto_) + " no arquivo ini");
      return false;
    }
    desktop_.view->SetCaption(Caption::kDiretorioOrigem, CaminhoMensagem(plan_.source_folder));
    entries_.resize(list.names.size());
    for (std::size_t i = 1; i < list.names.size(); ++i) {
      entries_[i] = list.names[i] + plan_.extension;
    }
    return true;
  }

  // A file list that exists but cannot be read: the file and the reason, once
  // per call (a dry run: once per run, as for a folder it cannot read).
  void ReportUnreadableList(const Status& status) {
    if (options_.dry_run && state_.file_list_reported) return;
    state_.file_list_reported = true;
    Add(LinhaDeErro(Status(status).About(platform::Operation::kReadFile, settings_.ArqConfigIni)));
  }

  // A folder that cannot be listed says so once, before its files' lines. A
  // dry run says it once for the whole run: the same folder is read by both
  // calls of a type and by types sharing it, and a checker wants the finding,
  // not the count of readers. The installation keeps one line per call.
  void ReportUnreadableFolder() {
    if (!files_.empty() || plan_.source_folder.empty()) return;
    AdicionaErroDaPasta(state_.Mensagens, plan_.source_folder,
                        options_.dry_run ? &state_.folders_reported : nullptr);
  }

  // Every listed file of the folder must be named by an entry (the same name
  // without regard to case). Names equal without regard to case are
  // neighbours in the listing: an entry marks the first of them. Where each
  // entry resolves in the listing is kept for the copy.
  void CheckFolder() {
    places_.assign(entries_.size(), platform::ListedFolder::kNone);
    std::vector<bool> named(listed_.size());
    for (std::size_t i = 1; i < entries_.size(); ++i) {
      const std::string upper = text::UpperCase(entries_[i]);
      const std::size_t first = listed_.FindUpper(upper);
      if (first == platform::ListedFolder::kNone) continue;
      named[first] = true;
      if (NamesFolderEntry(entries_[i])) places_[i] = listed_.Find(entries_[i], upper);
    }
    for (std::size_t j : files_) {
      std::size_t first = j;
      while (first > 0 && listed_.upper(first - 1) == listed_.upper(j)) --first;
      if (!named[first]) Add("Arquivo Nao esta no ini: " + listed_.entry(j).name);
    }
  }

  // The listed files, in list order, into the script; on any failure the
  // script keeps its old content. A dry run opens each file as the copy
  // would and writes nothing.
  void WriteScript() {
    const std::string& path = plan_.output_file;
    const text::CodePage& page = *options_.general.code_page;
    Status write_status = Status::Ok();
    if (options_.dry_run) {
      write_status = PredictScriptCreation(path);
      // Copies that could meet characters the page lacks go nowhere.
      output_.CreateDiscarding(Describe(kind_).encoding, page);
    } else {
      write_status = output_.Create(path, Describe(kind_).encoding, page);
    }
    opening_ = AberturaArquivo(*type_, kind_, settings_.SISTEMA);
    if (type_->object_class != config::ObjectClass::kCode) {
      block_closer_ = MontaFechamentoBloco(*type_, kind_, settings_.SISTEMA);
    }
    const SourceRoot root = FindSourceRoot(settings_.PathOrigem, listed_);
    const std::string shown = CaminhoMensagem(path);
    ShowProgress(0, shown);
    for (std::size_t i = 1; i < entries_.size() && write_status.ok(); ++i) {
      if (OpenEntry(i, root)) {
        ReportMissingInName(entries_[i]);
        if (options_.dry_run) {
          if (output_.MayMiss(source_)) CopyForMissing();
          source_.Close();
        } else {
          write_status = CopyEntry(i);
        }
      }
      ShowProgress(i, shown);
    }
    if (options_.dry_run) {
      output_.Abort();
    } else {
      write_status = Commit(write_status);
    }
    if (!write_status.ok()) {
      Add(LinhaDeErro(write_status.About(platform::Operation::kWriteFile, path)));
    } else if (!options_.dry_run && !output_.ReplacedOtherOwner().empty()) {
      Add(LinhaDeOutroUsuario(path, output_.ReplacedOtherOwner()));
    }
  }

  // `done` of the listed files handled, for the script at `shown`.
  void ShowProgress(std::size_t done, std::string_view shown) {
    desktop_.view->ShowProgress({.object_type = tipo_objeto_,
                                 .database = Describe(kind_).keyword,
                                 .done = done,
                                 .total = entries_.size() - 1,
                                 .script = shown});
  }

  // Opens entry `i` for copying; false (and a message) when it is missing,
  // cannot be opened or lies outside the source root. Opened before anything
  // of it is written: an unreadable file is skipped like a missing one.
  bool OpenEntry(std::size_t i, const SourceRoot& root) {
    source_path_.assign(plan_.source_folder).append("\\").append(entries_[i]);
    // Lines about a file the listing found name it as it is on disk (on
    // Windows as the program built it, like every path).
    const bool on_disk =
        platform::kPathSeparator == '/' && places_[i] != platform::ListedFolder::kNone;
    shown_path_ =
        on_disk ? plan_.source_folder + "\\" + listed_.entry(places_[i]).name : source_path_;
    bool exists = false;
    bool plain = false;
    const Status read_status =
        OpenSource(source_, fso_, listed_, places_[i], source_path_, entries_[i], &exists, &plain);
    if (!exists) {
      Add("Arquivo não encontrado: " + CaminhoMensagem(source_path_));
      return false;
    }
    if (!read_status.ok()) {
      Add(LinhaDeErro(Status(read_status).About(platform::Operation::kReadFile, shown_path_)));
      return false;
    }
    // An entry whose ".." or a link leads out of the source root could put
    // any file the run may read into the package; one whose place the system
    // cannot tell is not copied either. The root's failure is told once.
    std::string outside;
    if (const Status resolved = WhereOutsideRoot(root, source_, plain, shown_path_, &outside);
        !resolved.ok()) {
      const bool root_failed = !root.unresolved.ok();
      if (!root_failed || !root_reported_) {
        Add(std::string(kNaoResolvido) + CaminhoMensagem(resolved.path) + " - " + resolved.Text());
      }
      root_reported_ = root_reported_ || root_failed;
    } else if (!outside.empty()) {
      Add(std::string(kForaDaOrigem) + CaminhoMensagem(shown_path_) + " -> " + outside);
    } else {
      return true;
    }
    source_.Close();
    return false;
  }

  // The framing before the open entry `i`, its cleaned lines and, for a data
  // type, the block closer; closes the entry.
  Status CopyEntry(std::size_t i) {
    Status status = WriteOpening(entries_[i]);
    if (status.ok()) status = output_.CopyCleanedLines(source_);
    ReportCopy();
    source_.Close();
    if (block_closer_ && status.ok()) status = output_.WriteLine(*block_closer_);
    return status;
  }

  // What the copy of the open entry met: a read error (the lines read before
  // it stay) and the first character the script's code page lacks.
  void ReportCopy() {
    if (!source_.status().ok()) {
      Add(LinhaDeErro(source_.status().About(platform::Operation::kReadFile, shown_path_)));
    }
    const MissingCharacter missing = output_.missing();
    if (missing.character == 0) return;
    Add(std::string(kSemRepresentacao) + options_.general.code_page->name() + ": " +
        CaminhoMensagem(shown_path_) + " linha " + std::to_string(missing.line) + ": " +
        text::CodePointText(missing.character));
  }

  // A dry run's copy of the open entry into nothing, for what it reports.
  void CopyForMissing() {
    output_.CopyCleanedLines(source_);
    ReportCopy();
  }

  // The entry's name in a progress line of a script in the code page: its
  // first character the page lacks.
  void ReportMissingInName(std::string_view entry) {
    if (!opening_.progress || Describe(kind_).encoding != ScriptEncoding::kCodePage) return;
    const text::CodePage& page = *options_.general.code_page;
    const char32_t c = page.FirstMissing(entry);
    if (c == 0) return;
    Add(std::string(kSemRepresentacao) + page.name() + " no nome: " + CaminhoMensagem(shown_path_) +
        ": " + text::CodePointText(c));
  }

  // The header before the first file that is not empty, then what goes
  // before each file.
  Status WriteOpening(std::string_view entry) {
    std::vector<std::string> pieces;
    if (!source_.empty() && !header_written_) {
      header_written_ = true;
      pieces.push_back(MontaCabecalho(*type_, kind_, settings_.SISTEMA));
    }
    if (opening_.blank_line) pieces.emplace_back();
    if (opening_.block_opening) {
      pieces.insert(pieces.end(), AberturaBloco().begin(), AberturaBloco().end());
    }
    if (opening_.progress) {
      pieces.push_back(LinhaProgresso(kind_, exec_, entry));
      pieces.emplace_back(LinhaSeparadora(kind_));
    }
    return WriteAll(pieces);
  }

  // Each piece with WriteLine, up to the first failure.
  Status WriteAll(const std::vector<std::string>& pieces) {
    for (const std::string& piece : pieces) {
      Status status = output_.WriteLine(piece);
      if (!status.ok()) return status;
    }
    return Status::Ok();
  }

  // The SQL*Plus closing lines, once a header was written, then the script
  // replaces its old content.
  Status Commit(Status status) {
    if (status.ok() && header_written_ && Describe(kind_).sqlplus_framing) {
      status = WriteAll(FechamentoOracle());
    }
    const Status closed = output_.Close();
    return status.ok() ? closed : status;
  }

  const DesktopServices desktop_;
  config::RunState& state_;
  const config::RepositorySettings& settings_;
  const std::string_view tipo_objeto_;
  const DatabaseKind kind_;
  const bool exec_;
  const GenerationOptions& options_;
  const CallPlan plan_;
  const config::ObjectType* const type_;  // null for a keyword without a row

  platform::ListedFolder listed_;     // the source folder
  std::vector<std::size_t> files_;    // its files of the extension, in listing order
  std::vector<std::string> entries_;  // [0] unused; the listed names with the extension
  std::vector<std::size_t> places_;   // where each entry resolves in `listed_`
  fs::FileSystemObject fso_;
  SourceFile source_;
  std::string source_path_;  // the entry's path as listed
  std::string shown_path_;   // the same with the name found in the listing
  ScriptWriter output_;
  FileOpening opening_;                      // what goes before each file
  std::optional<std::string> block_closer_;  // what follows each file of a data type
  bool header_written_ = false;
  bool root_reported_ = false;  // the source root's failure to resolve is told
};

}  // namespace

bool LiesInSourceRoot(const std::string& path_origem, const std::string& path) {
  std::string root, where;
  return platform::CanonicalPath(path_origem, &root).ok() &&
         platform::CanonicalPath(path, &where).ok() && platform::IsSameOrInside(where, root);
}

void GeraScript(const DesktopServices& desktop, config::RunState& state,
                std::string_view tipo_objeto, DatabaseKind kind, bool exec,
                const GenerationOptions& options) {
  ScriptCall(desktop, state, tipo_objeto, kind, exec, options).Run();
}

}  // namespace vkt::generate
