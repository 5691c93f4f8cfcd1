#include "app/config_lookup.h"

#include <string_view>
#include <utility>

#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"

namespace vkt::app {
namespace {

std::string Join(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
  return path + std::string(name);
}

std::string InSubfolder(std::string_view folder) {
  return Join(Join(folder, kConfigSubfolder), kMainConfigName);
}

bool IsAbsolute(std::string_view path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\');
}

std::string_view Describe(ConfigSource source) {
  switch (source) {
    case ConfigSource::kOption:
      return "--config";
    case ConfigSource::kRemembered:
      return "escolhida em Abrir configuração";
    case ConfigSource::kExecutableFolder:
      return "pasta do programa";
    case ConfigSource::kUserFolder:
      return "$XDG_CONFIG_HOME";
    case ConfigSource::kSystemFolder:
      return "$XDG_CONFIG_DIRS";
  }
  return "";
}

}  // namespace

LookupEnvironment ProcessLookupEnvironment(std::string config_option, std::string remembered) {
  LookupEnvironment env;
  env.config_option = std::move(config_option);
  env.remembered = std::move(remembered);
  env.executable_folder = platform::ExecutableFolder();
  env.current_directory = platform::CurrentDirectory();
  env.home = platform::EnvironmentVariable("HOME");
  env.xdg_config_home = platform::EnvironmentVariable("XDG_CONFIG_HOME");
  env.xdg_config_dirs = platform::EnvironmentVariable("XDG_CONFIG_DIRS");
  return env;
}

ConfigLookup FindMainConfiguration(const LookupEnvironment& env) {
  ConfigLookup lookup;
  if (!env.config_option.empty()) {
    std::string file = env.config_option;
    if (!IsAbsolute(file)) file = Join(env.current_directory, file);
    lookup.place = {ConfigSource::kOption, file};
    lookup.looked.push_back(lookup.place);
    lookup.found = true;
    return lookup;
  }
  std::vector<ConfigPlace> places;
  if (!env.remembered.empty()) places.push_back({ConfigSource::kRemembered, env.remembered});
  if (!env.executable_folder.empty()) {
    places.push_back(
        {ConfigSource::kExecutableFolder, Join(env.executable_folder, kMainConfigName)});
  }
  if (IsAbsolute(env.xdg_config_home)) {
    places.push_back({ConfigSource::kUserFolder, InSubfolder(env.xdg_config_home)});
  } else if (IsAbsolute(env.home)) {
    places.push_back({ConfigSource::kUserFolder, InSubfolder(Join(env.home, ".config"))});
  }
  std::string_view dirs = env.xdg_config_dirs;
  if (dirs.empty()) dirs = "/etc/xdg";
  while (true) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    if (IsAbsolute(dir)) places.push_back({ConfigSource::kSystemFolder, InSubfolder(dir)});
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  for (ConfigPlace& place : places) {
    lookup.looked.push_back(place);
    if (platform::IsRegularFile(place.file)) {
      lookup.found = true;
      lookup.place = std::move(place);
      break;
    }
  }
  return lookup;
}

std::string NotFoundMessage(const ConfigLookup& lookup) {
  std::string text =
      std::string("Configuração principal ") + kMainConfigName + " não encontrada. Procurada em:";
  for (const ConfigPlace& place : lookup.looked) {
    text += "\n  " + place.file + " (" + std::string(Describe(place.source)) + ")";
  }
  return text;
}

void UseMainConfiguration(Session& session, const std::string& file) {
  const std::size_t slash = file.find_last_of("/\\");
  session.program_folder =
      slash == std::string::npos ? "." : file.substr(0, slash == 0 ? 1 : slash);
  session.main_config_file = file;
}

}  // namespace vkt::app
