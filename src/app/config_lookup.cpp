#include "app/config_lookup.h"

#include <string_view>
#include <utility>

#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"

namespace vkt::app {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string Join(LookupRules rules, std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || !IsSeparator(path.back()))
    path += rules == LookupRules::kWindows ? '\\' : '/';
  return path + std::string(name);
}

bool IsAbsolute(LookupRules rules, std::string_view path) {
  if (!path.empty() && IsSeparator(path[0])) return true;
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return rules == LookupRules::kWindows && drive;
}

std::string_view Describe(LookupRules rules, ConfigSource source) {
  switch (source) {
    case ConfigSource::kOption:
      return "--config";
    case ConfigSource::kRemembered:
      return "escolhida em Abrir configuração";
    case ConfigSource::kExecutableFolder:
      return "pasta do programa";
    case ConfigSource::kUserFolder:
      return rules == LookupRules::kWindows ? "%APPDATA%" : "$XDG_CONFIG_HOME";
    case ConfigSource::kSystemFolder:
      return rules == LookupRules::kWindows ? "%PROGRAMDATA%" : "$XDG_CONFIG_DIRS";
  }
  return "";
}

// The places of the XDG rules after the executable's folder.
void AddXdgPlaces(const LookupEnvironment& env, std::vector<ConfigPlace>* places) {
  const auto in_subfolder = [&](std::string_view folder) {
    return Join(env.rules, Join(env.rules, folder, kConfigSubfolder), kMainConfigName);
  };
  if (IsAbsolute(env.rules, env.xdg_config_home)) {
    places->push_back({ConfigSource::kUserFolder, in_subfolder(env.xdg_config_home)});
  } else if (IsAbsolute(env.rules, env.home)) {
    places->push_back(
        {ConfigSource::kUserFolder, in_subfolder(Join(env.rules, env.home, ".config"))});
  }
  std::string_view dirs = env.xdg_config_dirs;
  if (dirs.empty()) dirs = "/etc/xdg";
  while (true) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    if (IsAbsolute(env.rules, dir))
      places->push_back({ConfigSource::kSystemFolder, in_subfolder(dir)});
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
}

// The places of Windows after the executable's folder.
void AddWindowsPlaces(const LookupEnvironment& env, std::vector<ConfigPlace>* places) {
  const auto in_subfolder = [&](std::string_view folder) {
    return Join(env.rules, Join(env.rules, folder, kWindowsConfigSubfolder), kMainConfigName);
  };
  if (IsAbsolute(env.rules, env.app_data)) {
    places->push_back({ConfigSource::kUserFolder, in_subfolder(env.app_data)});
  }
  if (IsAbsolute(env.rules, env.program_data)) {
    places->push_back({ConfigSource::kSystemFolder, in_subfolder(env.program_data)});
  }
}

}  // namespace

LookupEnvironment ProcessLookupEnvironment(std::string config_option, std::string remembered) {
  LookupEnvironment env;
  env.config_option = std::move(config_option);
  env.remembered = std::move(remembered);
  env.executable_folder = platform::ExecutableFolder();
  env.current_directory = platform::CurrentDirectory();
  if (env.rules == LookupRules::kWindows) {
    env.app_data = platform::EnvironmentVariable("APPDATA");
    env.program_data = platform::EnvironmentVariable("PROGRAMDATA");
  } else {
    env.home = platform::EnvironmentVariable("HOME");
    env.xdg_config_home = platform::EnvironmentVariable("XDG_CONFIG_HOME");
    env.xdg_config_dirs = platform::EnvironmentVariable("XDG_CONFIG_DIRS");
  }
  return env;
}

ConfigLookup FindMainConfiguration(const LookupEnvironment& env) {
  ConfigLookup lookup;
  lookup.rules = env.rules;
  if (!env.config_option.empty()) {
    std::string file = env.config_option;
    if (!IsAbsolute(env.rules, file)) file = Join(env.rules, env.current_directory, file);
    lookup.place = {ConfigSource::kOption, file};
    lookup.looked.push_back(lookup.place);
    lookup.found = true;
    return lookup;
  }
  std::vector<ConfigPlace> places;
  if (!env.remembered.empty()) places.push_back({ConfigSource::kRemembered, env.remembered});
  if (!env.executable_folder.empty()) {
    places.push_back(
        {ConfigSource::kExecutableFolder, Join(env.rules, env.executable_folder, kMainConfigName)});
  }
  if (env.rules == LookupRules::kWindows) {
    AddWindowsPlaces(env, &places);
  } else {
    AddXdgPlaces(env, &places);
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
    text += "\n  " + place.file + " (" + std::string(Describe(lookup.rules, place.source)) + ")";
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
