#include "app/startup.h"

#include "config/ini.h"
#include "fs/platform/file_system.h"
#include "services/desktop.h"
#include "text/letter_case.h"

namespace vkt::app {
namespace {

std::string TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

std::vector<config::GeneralKeyProblem> LoadGeneralSettings(Session& session) {
  std::vector<config::GeneralKeyProblem> problems;
  session.general =
      config::ReadGeneralSettings(*Desktop().boxes, session.MainConfigPath(), &problems);
  return problems;
}

std::string UnusableSettingMessage(const config::GeneralKeyProblem& problem) {
  return problem.key + " desconhecido no arquivo ini: " + problem.value +
         "\r\nUsando: " + problem.in_use;
}

int QuitAfterStartStatus(bool found, std::size_t boxes) {
  if (!found) return 2;
  return boxes > 0 ? 1 : 0;
}

ComboContents CarregaCombos(const Session& session) {
  ComboContents contents;
  contents.object_types.assign(kObjectTypes.begin(), kObjectTypes.end());
  contents.selected_object_type = 0;
  contents.repositories = session.general.repositories;
  int named = 0;
  for (std::size_t i = 0; i < contents.repositories.size(); ++i) {
    if (contents.repositories[i].empty()) continue;
    ++named;
    contents.selected_repository = static_cast<int>(i);
  }
  if (named != 1) contents.selected_repository = -1;
  return contents;
}

void CarregaConfigRepositorio(Session& session, const std::string& repository) {
  session.repository = repository;
  config::INI ini(*Desktop().boxes);
  ini.ININame(session.MainConfigPath(), *session.general.code_page, config::IniReach::kAnyLink);
  ini.Section(repository);
  // A cut path names another place (the parent folder, a list of another
  // name): what the limit cut is never used, only reported.
  session.cut_settings.clear();
  for (const char* key : {"SISTEMA", "PathOrigem", "PathDestino", "ArqConfigIni"}) {
    if (const std::size_t bytes = ini.CutValueBytes(key); bytes > 0) {
      session.cut_settings.push_back(CutSettingMessage(repository, key, bytes));
    }
  }
  // Upper-cased first, then trimmed, in this order.
  session.settings.SISTEMA = TrimBlanks(text::UpperCase(ini.ReadINISettings("SISTEMA")));
  const std::string& folder = session.program_folder;
  session.settings.PathOrigem =
      PathFromConfigurationFolder(folder, ini.ReadINISettings("PathOrigem"));
  session.settings.PathDestino =
      PathFromConfigurationFolder(folder, ini.ReadINISettings("PathDestino"));
  session.settings.ArqConfigIni =
      PathFromConfigurationFolder(folder, ini.ReadINISettings("ArqConfigIni"));
}

std::string CutSettingMessage(std::string_view repository, std::string_view key,
                              std::size_t bytes) {
  return std::string(kValorLongoDemais) + std::string(repository) + "] " + std::string(key) + ": " +
         std::to_string(bytes) + " bytes (o máximo é 254)";
}

std::string PathFromConfigurationFolder(std::string_view folder, std::string_view path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  // A drive prefix names nothing here; joined, "C:\x" would become a folder
  // "C:" beside the configuration.
  if (path.empty() || separator(path.front()) || drive || folder.empty()) {
    return std::string(path);
  }
  std::string joined(folder);
  if (!separator(joined.back())) joined += platform::kPathSeparator;
  return joined.append(path);
}

}  // namespace vkt::app
