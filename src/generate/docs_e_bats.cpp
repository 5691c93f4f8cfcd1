#include "generate/docs_e_bats.h"

#include <cerrno>
#include <optional>

#include "fs/platform/file_system.h"
#include "generate/framing.h"
#include "generate/names.h"
#include "services/desktop.h"
#include "text/letter_case.h"

namespace vkt::generate {
namespace {

bool HasWildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

// The name on disk of the file `name` in `folder` (found without regard to
// case), or nothing when there is no such file (a folder does not count).
std::optional<std::string> FindFile(const std::string& folder, const std::string& name) {
  std::string expression = folder;
  if (expression.empty() || (expression.back() != '\\' && expression.back() != '/')) {
    expression += '\\';
  }
  expression += name;
  for (const platform::Entry& entry : platform::FindEntries(expression)) {
    if (entry.is_directory) continue;
    // A name holding wildcards is taken literally, never as a pattern.
    if (HasWildcard(name) && !text::EqualsIgnoreCase(entry.name, name)) continue;
    return entry.name;
  }
  return std::nullopt;
}

void DeleteIfPresent(const std::string& folder, const std::string& name) {
  if (auto actual = FindFile(folder, name)) platform::DeleteFile(folder + *actual);
}

// The line of a companion file that is not in the docs folder. The box that
// follows says which copy failed, in the program's words; this line says
// which file was looked for, so that the reader knows what to put where.
void ReportMissing(config::RunState& state, const std::string& docs, const std::string& name) {
  AdicionaMensagem(state.Mensagens,
                   std::string(kArquivoParaCopia) + CaminhoMensagem(docs + "\\" + name));
}

// Copies `name` from `docs` into `output_folder` under the name it has in
// `docs`, through a temporary file renamed over the older copy, so the package
// holds the old copy or the new one, never a part of it. Without a source the
// older copy is deleted; an older copy whose name differs in letter case goes
// before the new one comes. A failed copy adds a message line naming the file
// and the reason (a missing source included), and keeps the older copy; a copy
// that replaced another user's file adds the line that says so.
bool CopyInto(config::RunState& state, const std::string& docs, const std::string& name,
              const std::string& output_folder) {
  auto actual = FindFile(docs, name);
  auto stale = FindFile(output_folder, name);
  if (stale && (!actual || *stale != *actual)) platform::DeleteFile(output_folder + *stale);
  if (!actual) {
    ReportMissing(state, docs, name);
    return false;
  }
  platform::Replaced replaced;
  const platform::Status status =
      platform::CopyFileReplacing(docs + "\\" + *actual, output_folder + *actual, &replaced);
  if (status.ok()) {
    if (!replaced.other_owner.empty()) {
      AdicionaMensagem(state.Mensagens,
                       LinhaDeOutroUsuario(output_folder + *actual, replaced.other_owner));
    }
    return true;
  }
  AdicionaMensagem(state.Mensagens, LinhaDeErro(status));
  return false;
}

// What CopyInto would give, without copying, with the same message line.
bool CouldCopyInto(config::RunState& state, const std::string& docs, const std::string& name,
                   const std::string& output_folder) {
  auto actual = FindFile(docs, name);
  if (!actual) {
    ReportMissing(state, docs, name);
    return false;
  }
  platform::File source;
  const std::string path = docs + "\\" + *actual;
  // The copy opens its source the same way, so the reason reads the same.
  const platform::Status opened = platform::File::Open(path, platform::File::Mode::kRead, &source);
  if (!opened.ok()) {
    AdicionaMensagem(state.Mensagens, LinhaDeErro(opened));
    return false;
  }
  // Older copies are deleted first; only a folder of that name would stay,
  // and the copy's rename over it fails as EISDIR.
  if (platform::IsDirectory(output_folder + *actual)) {
    AdicionaMensagem(state.Mensagens,
                     LinhaDeErro(platform::Status::Errno(EISDIR, platform::Operation::kWriteFile,
                                                         output_folder + *actual)));
    return false;
  }
  return true;
}

}  // namespace

std::string PastaDocs(const config::RunState& state, DatabaseKind kind) {
  return state.program_folder + "\\docs\\" + std::string(Describe(kind).keyword);
}

void CopiaDocsEBats(MessageBoxService& boxes, config::RunState& state, DatabaseKind kind,
                    const std::string& output_folder, const GenerationOptions& options) {
  const std::string& sistema = state.settings.SISTEMA;
  const std::string docs = PastaDocs(state, kind);
  const std::string document = NomeDocumentoInstrucao(kind, sistema);
  const std::string roadmap = NomeRoteiro(kind, sistema);
  const bool dry_run = options.dry_run;
  auto show_error = [&](std::string_view text) { boxes.Show(text, "Erro", BoxIcon::kCritical); };
  auto copy = [&](const std::string& name) {
    return dry_run ? CouldCopyInto(state, docs, name, output_folder)
                   : CopyInto(state, docs, name, output_folder);
  };

  if (FindFile(docs, document)) {
    // The roadmap is copied whatever became of the document: a failed copy
    // is told by its own line and box, never by the copy that did not follow.
    if (!copy(document)) show_error("Erro ao copiar o doc de instrução de instalação dos Scripts");
    if (!copy(roadmap)) show_error("Erro ao copiar o bat de instalação dos Scripts");
  } else {
    if (!dry_run) {
      DeleteIfPresent(output_folder, document);
      DeleteIfPresent(output_folder, roadmap);
    }
    AdicionaMensagem(state.Mensagens, "Arquivo " + document + " nao encontrado!");
  }

  if (Describe(kind).policy_script) {
    const std::string policy = NomeScriptPolitica(sistema);
    if (!copy(policy)) {
      show_error("Erro ao copiar o script de verificação de política de segurança");
    }
  }
}

}  // namespace vkt::generate
