#include "app/config_lookup.h"

#include <string_view>
#include <utility>
#include <vector>

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

// The length of the part of the absolute `path` that ".." never takes away:
// "/" (or "\"), and by the Windows rules "C:\" or "\\server\share\".
std::size_t RootLength(LookupRules rules, std::string_view path) {
  std::size_t root = 0;
  if (rules == LookupRules::kWindows && path.size() >= 2 && path[1] == ':') {
    root = 2;
  } else if (rules == LookupRules::kWindows && path.size() >= 2 && IsSeparator(path[0]) &&
             IsSeparator(path[1])) {
    // "\\server\share": both names belong to the root.
    root = 2;
    for (int names = 0; names < 2 && root < path.size(); ++names) {
      while (root < path.size() && IsSeparator(path[root])) ++root;
      while (root < path.size() && !IsSeparator(path[root])) ++root;
    }
  }
  while (root < path.size() && IsSeparator(path[root])) ++root;
  return root;
}

// The absolute `path` without "." and ".." components, each ".." taking the
// name before it away (never the root), as the user would write it; one
// separator of the rules between names.
std::string Folded(LookupRules rules, std::string_view path) {
  const char separator = rules == LookupRules::kWindows ? '\\' : '/';
  const std::size_t root_length = RootLength(rules, path);
  std::string root(path.substr(0, root_length));
  for (char& c : root) c = IsSeparator(c) ? separator : c;
  std::vector<std::string_view> names;
  std::size_t i = root_length;
  while (i < path.size()) {
    std::size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view name = path.substr(i, end - i);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    i = end + 1;
  }
  std::string folded = root;
  for (std::size_t n = 0; n < names.size(); ++n) {
    if (n > 0) folded += separator;
    folded += names[n];
  }
  return folded;
}

bool HasDotComponent(std::string_view path) {
  for (std::size_t i = 0; i <= path.size();) {
    std::size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view name = path.substr(i, end - i);
    if (name == "." || name == "..") return true;
    i = end + 1;
  }
  return false;
}

std::string FolderOf(std::string_view file) {
  const std::size_t cut = file.find_last_of("/\\");
  return std::string(file.substr(0, cut == std::string_view::npos || cut == 0 ? 1 : cut));
}

// The --config file `file` (absolute) as messages should show it: without
// "." and "..". Windows folds ".." by the text of the path, and so does this
// by its rules. A POSIX kernel follows a symbolic link before a ".." instead
// ("link/.." is the folder above the link's target): where the two disagree,
// the folder the kernel reaches is taken, as it lies on disk.
std::string WithoutDots(LookupRules rules, const std::string& file) {
  if (!HasDotComponent(file)) return file;
  std::string folded = Folded(rules, file);
  if (rules != LookupRules::kXdg || kBuildLookupRules != LookupRules::kXdg) return folded;
  std::string kernel_folder, folded_folder;
  if (!platform::CanonicalPath(FolderOf(file), &kernel_folder).ok()) return folded;
  if (platform::CanonicalPath(FolderOf(folded), &folded_folder).ok() &&
      folded_folder == kernel_folder) {
    return folded;
  }
  const std::size_t cut = folded.find_last_of('/');
  return Join(rules, kernel_folder, std::string_view(folded).substr(cut + 1));
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
    lookup.place = {ConfigSource::kOption, WithoutDots(env.rules, file)};
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

std::string MainConfigurationInside(LookupRules rules, const std::string& file) {
  if (!platform::IsDirectory(file)) return {};
  std::string inside = Join(rules, file, kMainConfigName);
  return platform::IsRegularFile(inside) ? inside : std::string();
}

}  // namespace vkt::app
