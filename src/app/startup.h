// Start-up of the window (and of a command-line run): the settings of section
// [GERAL] of the main configuration file "VKTGeraInstallBD.ini", the two lists
// of the window and the repository settings of a picked repository.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/problem_kinds.h"
#include "app/session.h"
#include "config/general_settings.h"
#include "config/object_types.h"

namespace vkt::app {

// The object-type keywords of the window's list `CbObj`, in list order:
// "TODOS" (all object types) first and preselected, then the types of the
// object-type table that have a place in the list, by their place.
inline constexpr auto kObjectTypes = [] {
  constexpr auto kListed = [](const config::ObjectType& type) { return type.list_place > 0; };
  constexpr std::size_t kCount = std::ranges::count_if(config::kObjectTypeTable, kListed);
  std::array<const config::ObjectType*, kCount> listed{};
  std::size_t n = 0;
  for (const config::ObjectType& type : config::kObjectTypeTable) {
    if (kListed(type)) listed[n++] = &type;
  }
  std::ranges::sort(listed, {}, &config::ObjectType::list_place);
  std::array<std::string_view, kCount + 1> keywords{config::kAllTypes};
  for (std::size_t i = 0; i < kCount; ++i) keywords[i + 1] = listed[i]->keyword;
  return keywords;
}();

// The start-up of both front ends, once `session` names its main
// configuration (UseMainConfiguration, or its program folder): reads section
// [GERAL] into `session.general` (config::ReadGeneralSettings), replacing
// whatever an earlier configuration set there. The window calls it at
// start-up and after "Abrir configuração…", the command line once. Returns the
// keys whose values cannot be used (their fields keep the defaults), for the
// front end to report.
std::vector<config::GeneralKeyProblem> LoadGeneralSettings(Session& session);

// The exit status of a window started only to show that it starts
// (`--quit-after-start`), whose boxes were recorded, not shown: 2 when no
// main configuration was found, 1 when the start showed `boxes` boxes (the
// configuration, or a key of it, could not be read), else 0.
int QuitAfterStartStatus(bool found, std::size_t boxes);

// The window's box for a key of [GERAL] that cannot be used: "CodePage
// desconhecido no arquivo ini: klingon", a line break, "Usando: windows-1252".
std::string UnusableSettingMessage(const config::GeneralKeyProblem& problem);

// What `CarregaCombos` puts into the window's lists.
struct ComboContents {
  std::vector<std::string> object_types;  // kObjectTypes, in order
  int selected_object_type = 0;           // "TODOS"
  std::vector<std::string> repositories;
  // The repository chosen at once: the only one the list names, so that
  // "Gera Install" works without a choice; -1 (none) when it names several
  // or none. Empty entries ("A," names "A" and "") are no repositories.
  int selected_repository = -1;
};

// Fills the lists: the object types, and the repositories of
// `session.general` (key "REPOSITORIO" of section "GERAL", read by
// LoadGeneralSettings: a missing file, section or key gives none). A window
// that selects `selected_repository` loads it as a click on it does
// (CarregaConfigRepositorio).
ComboContents CarregaCombos(const Session& session);

// Loads the settings of `repository` (the text of the repository list; empty
// when nothing is chosen) from its section of the main configuration file, in
// the code page of `session.general`:
// `SISTEMA` upper-cased then trimmed, the three paths as read and then taken
// from the configuration's folder (PathFromConfigurationFolder with
// `session.program_folder`). A missing section or key empties that setting.
// Sets `session.repository` too, and `session.cut_settings` to the line of
// each of the four whose value the 254-byte limit cut.
void CarregaConfigRepositorio(Session& session, const std::string& repository);

// The line of a repository setting whose value the reader cut: "Valor longo
// demais em [R1] PathDestino: 260 bytes (o máximo é 254)".
inline constexpr std::string_view kValorLongoDemais = ProblemText(problem_kind::kValueTooLong);
std::string CutSettingMessage(std::string_view repository, std::string_view key, std::size_t bytes);

// A path of the main configuration (`PathOrigem`, `PathDestino`,
// `ArqConfigIni`) as the program uses it. The program was written to start in
// its own folder, beside its configuration, so a relative path led there: a
// relative `path` is joined to `folder` (with the system's separator, "/" or
// "\\", unless `folder` ends in one), nothing else changed ("..", "\" and letter case stay). An
// empty path, one that begins with "\" or "/", one with a drive prefix ("C:") and any path when
// `folder` is empty are returned as they are.
std::string PathFromConfigurationFolder(std::string_view folder, std::string_view path);

}  // namespace vkt::app
