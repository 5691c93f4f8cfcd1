#include "generate/gera_numeracao.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "config/object_types.h"
#include "fs/file_system_object.h"
#include "generate/framing.h"
#include "services/desktop.h"
#include "text/control_escapes.h"
#include "text/letter_case.h"
#include "text/utf8.h"

namespace vkt::generate {
namespace {

constexpr std::string_view kNoFolderMessage = "Nao existe pasta de origem para o tipo: ";
constexpr std::string_view kNotNumberedMessage = "Nome com caractere de controle, sem numeração: ";

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
  const config::ObjectType* type = config::FindObjectType(tipo_objeto);
  if (!type || config::NumberingFolder(*type).empty()) return std::nullopt;
  return std::string(config::NumberingFolder(*type));
}

std::string BaseName(std::string_view file_name) {
  std::size_t end = file_name.size();
  for (int cut = 0; cut < 4; ++cut) {
    if (end == 0) return std::string(file_name);  // fewer than four characters
    text::PreviousUtf8(file_name, &end);
  }
  return std::string(file_name.substr(0, end));
}

void GeraNumeracao(const DesktopServices& desktop, config::RunState& state,
                   std::string_view tipo_objeto, DatabaseKind /*kind*/) {
  const DesktopServices services = WithDefaults(desktop);
  EventLoop& loop = *services.loop;

  const std::optional<std::string> folder = NumberingFolder(tipo_objeto);
  if (!folder) {
    // The original listed "\*.*", the root of the current drive; a type
    // without a folder of its own has nothing to number.
    AdicionaMensagem(state.Mensagens, std::string(kNoFolderMessage) + std::string(tipo_objeto));
  } else {
    fs::FileSystemObject fso(services);
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

    // A key line is pasted into the list as it is shown: a name that can
    // only be shown escaped is no key line, and is told before them.
    std::vector<std::string> keys;
    for (std::string& base : bases) {
      if (!text::HasControls(base)) {
        keys.push_back(std::move(base));
        continue;
      }
      AdicionaMensagem(state.Mensagens, std::string(kNotNumberedMessage) + base);
      state.names_not_numbered.push_back(std::move(base));
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
      AdicionaMensagem(state.Mensagens, "FILE" + std::to_string(i + 1) + "=" + keys[i]);
      loop.Yield();
    }
  }

  services.view->SetMessageText(JoinMessages(state.Mensagens));
}

}  // namespace vkt::generate
