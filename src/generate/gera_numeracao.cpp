#include "generate/gera_numeracao.h"

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "fs/file_system_object.h"
#include "generate/framing.h"
#include "services/desktop.h"
#include "text/letter_case.h"

namespace vkt::generate {
namespace {

struct FolderRow {
  std::string_view tipo_objeto;
  std::string_view folder;
};

// The numbering's own folders (their letter case differs from the generation
// table's in places; folders are found without regard to case).
constexpr FolderRow kNumberingFolders[] = {
    {"TABELAS", "\\Tabelas"},       {"EVOLUCAO", "\\Evolucao"},   {"DADOS", "\\Dados"},
    {"TRIGGERS", "\\Triggers"},     {"VIEWS", "\\Views"},         {"FUNCTIONS", "\\Functions"},
    {"PROCEDURES", "\\procedures"}, {"PACKAGES", "\\Packages"},   {"SEQUENCES", "\\Sequences"},
    {"TEMPLATES", "\\Templates"},   {"EVOLUCAO2", "\\Evolucao2"}, {"TABELAS2", "\\Tabelas2"},
};

// Keywords the numbering table leaves without a folder take the folder the
// generation reads for them, so that the lines match the files it will look for.
// "JOBS" has a folder whatever the system: only its output depends on it.
constexpr FolderRow kGenerationFolders[] = {
    {"TYPESRULESDEFAULTS", "\\Types_Rules_Defaults"},
    {"GRANTS", "\\GRANTS"},
    {"SINONIMOS", "\\SINONIMOS"},
    {"OPCOES_MENU", "\\OPCOES_MENU"},
    {"JOBS", "\\JOBS"},
    {"PROCEDURES_SQL_2005", "\\PROCEDURES"},
    {"PACKAGES_SQL_2005", "\\PACKAGES"},
};

constexpr std::string_view kNoFolderMessage = "Nao existe pasta de origem para o tipo: ";

std::string JoinMessages(const std::vector<std::string>& mensagens) {
  std::string text;
  for (std::size_t i = 0; i < mensagens.size(); ++i) {
    if (i > 0) text.push_back('\r');
    text += mensagens[i];
  }
  return text;
}

}  // namespace

std::optional<std::string> NumberingFolder(std::string_view tipo_objeto) {
  for (const auto& row : kNumberingFolders) {
    if (row.tipo_objeto == tipo_objeto) return std::string(row.folder);
  }
  for (const auto& row : kGenerationFolders) {
    if (row.tipo_objeto == tipo_objeto) return std::string(row.folder);
  }
  return std::nullopt;
}

std::string BaseName(std::string_view file_name) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(file_name.data());
  auto end = static_cast<std::int32_t>(file_name.size());
  for (int cut = 0; cut < 4; ++cut) {
    if (end == 0) return std::string(file_name);  // fewer than four characters
    U8_BACK_1(bytes, 0, end);
  }
  return std::string(file_name.substr(0, static_cast<std::size_t>(end)));
}

void GeraNumeracao(config::RunState& state, std::string_view tipo_objeto,
                   std::string_view /*banco*/) {
  EventLoop& loop = *Desktop().loop;

  const std::optional<std::string> folder = NumberingFolder(tipo_objeto);
  if (!folder) {
    // The original listed "\*.*", the root of the current drive; a type
    // without a folder of its own has nothing to number.
    AdicionaMensagem(state.Mensagens, std::string(kNoFolderMessage) + std::string(tipo_objeto));
  } else {
    fs::FileSystemObject fso;
    const std::string source = state.settings.PathOrigem + *folder;
    const std::vector<std::string> listing = fso.EnumFiles(source + "\\*.*");
    if (listing.size() <= 1) AdicionaErroDaPasta(state.Mensagens, source);

    std::vector<std::string> bases;
    std::unordered_set<std::string> seen;  // upper-cased bases kept so far
    for (std::size_t j = 1; j < listing.size(); ++j) {
      std::string base = BaseName(listing[j]);
      if (seen.insert(text::UpperCase(base)).second) bases.push_back(std::move(base));
      loop.Yield();
    }

    for (std::size_t i = 0; i < bases.size(); ++i) {
      AdicionaMensagem(state.Mensagens, "FILE" + std::to_string(i + 1) + "=" + bases[i]);
      loop.Yield();
    }
  }

  Desktop().view->SetMessageText(JoinMessages(state.Mensagens));
}

}  // namespace vkt::generate
