#include "generate/docs_e_bats.h"

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

// Copies `name` from `docs` into `pasta_saida` under the name it has in
// `docs`; fails when the source is missing or the destination exists.
bool CopyInto(const std::string& docs, const std::string& name, const std::string& pasta_saida) {
  auto actual = FindFile(docs, name);
  if (!actual) return false;
  return platform::CopyFile(docs + "\\" + *actual, pasta_saida + *actual, /*fail_if_exists=*/true)
      .ok();
}

// What CopyInto would give, without copying.
bool CouldCopyInto(const std::string& docs, const std::string& name,
                   const std::string& pasta_saida) {
  auto actual = FindFile(docs, name);
  if (!actual) return false;
  platform::File source;
  if (!platform::File::Open(docs + "\\" + *actual, platform::File::Mode::kRead, &source).ok()) {
    return false;
  }
  // Older copies are deleted first; only a folder of that name would stay.
  return !platform::IsDirectory(pasta_saida + *actual);
}

void ShowError(std::string_view text) { Desktop().boxes->Show(text, "Erro", BoxIcon::kCritical); }

}  // namespace

std::string PastaDocs(const app::Session& session, std::string_view banco) {
  return session.program_folder + "\\docs\\" + std::string(banco);
}

void CopiaDocsEBats(app::Session& session, std::string_view banco, const std::string& pasta_saida,
                    const GenerationOptions& options) {
  const std::string& sistema = session.settings.SISTEMA;
  const std::string docs = PastaDocs(session, banco);
  const std::string documento = NomeDocumentoInstrucao(banco, sistema);
  const std::string roteiro = NomeRoteiro(banco, sistema);
  const bool dry_run = options.dry_run;
  auto copy = [&](const std::string& name) {
    return dry_run ? CouldCopyInto(docs, name, pasta_saida) : CopyInto(docs, name, pasta_saida);
  };

  if (!dry_run) {
    DeleteIfPresent(pasta_saida, documento);
    DeleteIfPresent(pasta_saida, roteiro);
  }

  if (FindFile(docs, documento)) {
    if (!copy(documento)) {
      ShowError("Erro ao copiar o doc de instrução de instalação dos Scripts");
    } else if (!copy(roteiro)) {
      ShowError("Erro ao copiar o bat de instalação dos Scripts");
    }
  } else {
    AdicionaMensagem(session.Mensagens, "Arquivo " + documento + " nao encontrado!");
  }

  if (banco == "ORACLE") {
    const std::string politica = NomeScriptPolitica(sistema);
    if (!dry_run) DeleteIfPresent(pasta_saida, politica);
    if (!copy(politica)) {
      ShowError("Erro ao copiar o script de verificação de política de segurança");
    }
  }
}

}  // namespace vkt::generate
