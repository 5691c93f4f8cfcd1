#include "generate/gera_script.h"

#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

#include "config/file_list.h"
#include "config/object_types.h"
#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "generate/call_plan.h"
#include "generate/docs_e_bats.h"
#include "generate/framing.h"
#include "generate/names.h"
#include "generate/script_io.h"
#include "services/desktop.h"
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

// Step 13 of every call: the message area shows the whole message buffer.
void MostraMensagens(const config::RunState& state, std::string_view separador) {
  Desktop().view->SetMessageText(Join(state.Mensagens, separador));
}

// The root ("/", "\\") keeps its one separator.
std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// Creates the folder `path` unless something of that name exists. A file in
// its place, or a failed creation, becomes the message "Erro ao criar a
// pasta: ..." and the result false.
// A dry run creates nothing: a missing folder would be created, anything else
// is reported as the creation would report it.
bool EnsureFolder(config::RunState& state, const std::string& path, bool dry_run,
                  bool outermost = false) {
  platform::FileInfo info;
  const std::string folder = WithoutTrailingSeparators(path);
  Status status = platform::GetInfo(folder, &info);
  if (status.ok()) {
    if (info.attributes & platform::kAttrDirectory) return true;
    status = Status::Errno(ENOTDIR);
  } else if (dry_run) {
    // Folders are made one level at a time: the outermost one needs its
    // parent, the inner ones are inside folders this run would make.
    if (status.code == ENOENT) {
      if (!outermost) return true;
      const std::size_t cut = folder.find_last_of("\\/");
      if (cut == std::string::npos || cut == 0) return true;
      Status parent = platform::GetInfo(folder.substr(0, cut), &info);
      if (parent.ok() && (info.attributes & platform::kAttrDirectory)) return true;
      if (parent.ok()) status = Status::Errno(ENOTDIR);
    }
  } else {
    status = platform::CreateDirectory(path);
    if (status.ok()) return true;
  }
  AdicionaMensagem(state.Mensagens,
                   LinhaDeErro(status.About(platform::Operation::kCreateFolder, path)));
  return false;
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

// Opens the listed file `entry` (path `caminho`) for copying, after the
// existence test: `*exists` false (and nothing opened) for a file that does
// not exist, is hidden or is a folder. `index` is where the name resolves in
// the source folder's listing: then the listing answers the existence test
// and the file is opened relative to the folder (`*plain` when the entry is
// no link). With kNone (not in the listing, or a name it cannot settle), and
// for a listed file that went away since the listing was taken, the test and
// the open go by path.
Status OpenSource(SourceFile& fonte, fs::FileSystemObject& fso,
                  const platform::ListedFolder& origem, std::size_t index,
                  const std::string& caminho, std::string_view entry, bool* exists, bool* plain) {
  *plain = false;
  if (index != platform::ListedFolder::kNone) {
    const platform::Entry& found = origem.entry(index);
    *exists = !found.is_directory && found.name.front() != '.';
    if (!*exists) return Status::Ok();
    Status opened = fonte.Open(origem, index);
    *plain = opened.ok() && !found.is_link;
    if (opened.code != ENOENT && opened.code != ENOTDIR) return opened;
  }
  *exists = SourceExists(fso, caminho, entry);
  return *exists ? fonte.Open(caminho) : Status::Ok();
}

// The source root `PathOrigem` as it lies on disk, and whether the listed
// folder lies inside it; a listed file may be copied only from inside it.
struct SourceRoot {
  std::string canonical;  // "" when it leads nowhere: nothing lies inside
  bool folder_inside = false;
};

SourceRoot FindSourceRoot(const std::string& path_origem, const platform::ListedFolder& origem) {
  SourceRoot root;
  if (!platform::CanonicalPath(path_origem, &root.canonical).ok()) root.canonical.clear();
  std::string folder;
  root.folder_inside = origem.is_open() && origem.CanonicalPath(&folder).ok() &&
                       platform::IsSameOrInside(folder, root.canonical);
  return root;
}

// Where the open source lies when that is outside the source root, else "".
// A plain entry of a folder inside the root lies inside without a look.
std::string OutsideRoot(const SourceRoot& root, const SourceFile& fonte, bool plain) {
  if (plain && root.folder_inside) return {};
  std::string where;
  if (!fonte.CanonicalPath(&where).ok()) return "?";
  return platform::IsSameOrInside(where, root.canonical) ? std::string() : where;
}

void ReportWriteError(config::RunState& state, const std::string& path, const Status& status) {
  AdicionaMensagem(state.Mensagens,
                   LinhaDeErro(Status(status).About(platform::Operation::kWriteFile, path)));
}

}  // namespace

bool LiesInSourceRoot(const std::string& path_origem, const std::string& path) {
  std::string root, where;
  return platform::CanonicalPath(path_origem, &root).ok() &&
         platform::CanonicalPath(path, &where).ok() && platform::IsSameOrInside(where, root);
}

void GeraScript(config::RunState& state, std::string_view tipo_objeto, DatabaseKind kind,
                bool exec, const GenerationOptions& options) {
  const bool dry_run = options.dry_run;
  const config::RepositorySettings& settings = state.settings;
  RunView& view = *Desktop().view;

  // 1. The configuration in use; let the window repaint.
  view.SetCaption(Caption::kConfigUtilizado,
                  "Lendo config :: " + CaminhoMensagem(settings.ArqConfigIni));
  Desktop().loop->Yield();

  // 2. Per-kind settings.
  const DatabaseKindInfo& info = Describe(kind);
  const std::string_view separador = info.separator;
  const CallPlan plan = PlanCall(settings, tipo_objeto, kind);
  const std::string& extensao = plan.extension;

  // 3. Output folders, one level at a time.
  const std::string& pasta_banco = plan.database_folder;
  const std::string& pasta_saida = plan.output_folder;
  if (!EnsureFolder(state, settings.PathDestino, dry_run, /*outermost=*/true) ||
      !EnsureFolder(state, pasta_banco, dry_run) || !EnsureFolder(state, pasta_saida, dry_run)) {
    MostraMensagens(state, separador);
    return;
  }

  // 4. The row of the object type.
  const config::ObjectType* type = config::FindObjectType(tipo_objeto);
  if (type && type->object_class == config::ObjectClass::kCompanions) {
    CopiaDocsEBats(state, kind, pasta_saida, options);
    MostraMensagens(state, separador);
    return;
  }
  const std::string& pasta_origem = plan.source_folder;
  const std::string& arquivo_saida = plan.output_file;

  // 5. The folder listing: the files of the folder that match "*" + extension,
  // in listing order. A type without a source folder lists nothing (the bare
  // expression would name the root of the file system).
  platform::ListedFolder origem;
  std::vector<std::size_t> listagem;
  if (!pasta_origem.empty() && origem.Open(pasta_origem + "\\").ok()) {
    for (std::size_t j : origem.Matching("*" + extensao)) {
      if (!origem.entry(j).is_directory) listagem.push_back(j);
    }
  }

  // 6, 7. The file list.
  const config::FileList lista = config::ReadFileList(settings.ArqConfigIni, tipo_objeto);
  if (lista.status == config::FileListStatus::kMissingSection) {
    AdicionaMensagem(state.Mensagens,
                     "Nao existe a seção: " + std::string(tipo_objeto) + " no arquivo ini");
    MostraMensagens(state, separador);
    return;
  }
  if (lista.status == config::FileListStatus::kInvalidCount) {
    AdicionaMensagem(state.Mensagens, "Valor invalido de NUMFILES na seção: " +
                                          std::string(tipo_objeto) + " no arquivo ini");
    MostraMensagens(state, separador);
    return;
  }
  view.SetCaption(Caption::kDiretorioOrigem, CaminhoMensagem(pasta_origem));
  std::vector<std::string> entradas(lista.names.size());
  for (size_t i = 1; i < lista.names.size(); ++i) entradas[i] = lista.names[i] + extensao;

  // A folder that cannot be listed says so once, before its files' lines. A
  // dry run says it once for the whole run: the same folder is read by both
  // calls of a type and by types sharing it, and a checker wants the finding,
  // not the count of readers. The installation keeps one line per call.
  if (listagem.empty() && !pasta_origem.empty()) {
    AdicionaErroDaPasta(state.Mensagens, pasta_origem, dry_run ? &state.folders_reported : nullptr);
  }

  // 8. Folder check: every listed file of the folder must be named by an entry
  // (the same name without regard to case). Names equal without regard to case
  // are neighbours in the listing: an entry marks the first of them. Where each
  // entry resolves in the listing is kept for step 10.
  std::vector<std::size_t> indices(entradas.size(), platform::ListedFolder::kNone);
  std::vector<bool> nomeado(origem.size());
  for (size_t i = 1; i < entradas.size(); ++i) {
    const std::string upper = text::UpperCase(entradas[i]);
    const std::size_t first = origem.FindUpper(upper);
    if (first == platform::ListedFolder::kNone) continue;
    nomeado[first] = true;
    if (NamesFolderEntry(entradas[i])) indices[i] = origem.Find(entradas[i], upper);
  }
  for (std::size_t j : listagem) {
    std::size_t first = j;
    while (first > 0 && origem.upper(first - 1) == origem.upper(j)) --first;
    if (!nomeado[first]) {
      AdicionaMensagem(state.Mensagens, "Arquivo Nao esta no ini: " + origem.entry(j).name);
    }
  }

  // 9. The output file.
  view.SetCaption(Caption::kDiretorioDestino, CaminhoMensagem(arquivo_saida));
  if (arquivo_saida.empty()) {
    MostraMensagens(state, separador);
    return;
  }
  ScriptWriter saida;
  Status escrita = dry_run ? PredictScriptCreation(arquivo_saida)
                           : saida.Create(arquivo_saida, info.encoding);
  bool cabecalho_gravado = false;

  // 10. The listed files, in list order.
  const FileOpening abertura = AberturaArquivo(*type, kind, settings.SISTEMA);
  const bool dados = type->object_class != config::ObjectClass::kCode;
  const std::string fechamento_bloco =
      dados ? MontaFechamentoBloco(*type, kind, settings.SISTEMA) : "";
  fs::FileSystemObject fso;
  SourceFile fonte;
  std::string caminho;
  const SourceRoot raiz = FindSourceRoot(settings.PathOrigem, origem);
  for (size_t i = 1; i < entradas.size() && escrita.ok(); ++i) {
    caminho.assign(pasta_origem).append("\\").append(entradas[i]);
    bool existe = false;
    bool simples = false;
    // Opened before anything of it is written: an unreadable file is skipped
    // like a missing one.
    Status leitura =
        OpenSource(fonte, fso, origem, indices[i], caminho, entradas[i], &existe, &simples);
    if (!existe) {
      AdicionaMensagem(state.Mensagens, "Arquivo não encontrado: " + CaminhoMensagem(caminho));
      continue;
    }
    if (!leitura.ok()) {
      AdicionaMensagem(state.Mensagens,
                       LinhaDeErro(leitura.About(platform::Operation::kReadFile, caminho)));
      continue;
    }
    // An entry whose ".." or a link leads out of the source root could put
    // any file the run may read into the package.
    if (const std::string fora = OutsideRoot(raiz, fonte, simples); !fora.empty()) {
      AdicionaMensagem(state.Mensagens,
                       std::string(kForaDaOrigem) + CaminhoMensagem(caminho) + " -> " + fora);
      fonte.Close();
      continue;
    }
    if (dry_run) {
      fonte.Close();
      continue;
    }
    if (!fonte.empty() && !cabecalho_gravado) {
      cabecalho_gravado = true;
      escrita = saida.WriteLine(MontaCabecalho(*type, kind, settings.SISTEMA));
    }
    if (abertura.blank_line && escrita.ok()) escrita = saida.WriteLine("");
    if (abertura.block_opening) {
      for (const std::string& piece : AberturaBloco()) {
        if (escrita.ok()) escrita = saida.WriteLine(piece);
      }
    }
    if (abertura.progress) {
      if (escrita.ok()) escrita = saida.WriteLine(LinhaProgresso(kind, exec, entradas[i]));
      if (escrita.ok()) escrita = saida.WriteLine(LinhaSeparadora(kind));
    }
    if (escrita.ok()) escrita = saida.CopyCleanedLines(fonte);
    if (!fonte.status().ok()) {
      // The file failed while it was copied: the lines read before stay.
      AdicionaMensagem(state.Mensagens,
                       LinhaDeErro(fonte.status().About(platform::Operation::kReadFile, caminho)));
    }
    fonte.Close();
    if (dados && escrita.ok()) escrita = saida.WriteLine(fechamento_bloco);
  }

  if (dry_run) {
    if (!escrita.ok()) ReportWriteError(state, arquivo_saida, escrita);
    MostraMensagens(state, separador);
    return;
  }

  // 11. Oracle closing lines, once the header was written.
  if (escrita.ok() && cabecalho_gravado && info.sqlplus_framing) {
    for (const std::string& piece : FechamentoOracle()) {
      if (escrita.ok()) escrita = saida.WriteLine(piece);
    }
  }
  // 12. Commit: on any failure the output file keeps its old content.
  Status fechamento = saida.Close();
  if (escrita.ok()) escrita = fechamento;
  if (!escrita.ok()) ReportWriteError(state, arquivo_saida, escrita);

  // 13.
  MostraMensagens(state, separador);
}

}  // namespace vkt::generate
