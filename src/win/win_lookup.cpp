#include "win/win_lookup.h"

#include <string_view>
#include <utility>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "win/wide_text.h"

namespace vkt::win {
namespace {

std::string Join(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  return path + std::string(name);
}

// "C:\...", "\\server\share\..." or "\...".
bool IsAbsolute(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
  return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

std::string_view Describe(app::ConfigSource source) {
  switch (source) {
    case app::ConfigSource::kOption:
      return "--config";
    case app::ConfigSource::kRemembered:
      return "escolhida em Abrir configuração";
    case app::ConfigSource::kExecutableFolder:
      return "pasta do programa";
    case app::ConfigSource::kUserFolder:
      return "%APPDATA%";
    case app::ConfigSource::kSystemFolder:
      return "%PROGRAMDATA%";
  }
  return "";
}

}  // namespace

WindowsLookupEnvironment ProcessWindowsLookupEnvironment(std::string config_option,
                                                         std::string remembered) {
  WindowsLookupEnvironment env;
  env.config_option = std::move(config_option);
  env.remembered = std::move(remembered);
  env.executable_folder = platform::ExecutableFolder();
  env.current_directory = platform::CurrentDirectory();
  env.app_data = platform::EnvironmentVariable("APPDATA");
  env.program_data = platform::EnvironmentVariable("PROGRAMDATA");
  return env;
}

app::ConfigLookup FindWindowsConfiguration(const WindowsLookupEnvironment& env) {
  app::ConfigLookup lookup;
  if (!env.config_option.empty()) {
    std::string file = env.config_option;
    if (!IsAbsolute(file)) file = Join(env.current_directory, file);
    lookup.place = {app::ConfigSource::kOption, file};
    lookup.looked.push_back(lookup.place);
    lookup.found = true;
    return lookup;
  }
  std::vector<app::ConfigPlace> places;
  if (!env.remembered.empty()) places.push_back({app::ConfigSource::kRemembered, env.remembered});
  const std::pair<app::ConfigSource, std::string> folders[] = {
      {app::ConfigSource::kExecutableFolder, env.executable_folder},
      {app::ConfigSource::kUserFolder,
       env.app_data.empty() ? "" : Join(env.app_data, kProgramFolderName)},
      {app::ConfigSource::kSystemFolder,
       env.program_data.empty() ? "" : Join(env.program_data, kProgramFolderName)},
  };
  for (const auto& [source, folder] : folders) {
    if (IsAbsolute(folder)) places.push_back({source, Join(folder, app::kMainConfigName)});
  }
  for (app::ConfigPlace& place : places) {
    lookup.looked.push_back(place);
    if (platform::IsRegularFile(place.file)) {
      lookup.found = true;
      lookup.place = std::move(place);
      break;
    }
  }
  return lookup;
}

std::string WindowsNotFoundMessage(const app::ConfigLookup& lookup) {
  std::string text = std::string("Configuração principal ") + app::kMainConfigName +
                     " não encontrada. Procurada em:";
  for (const app::ConfigPlace& place : lookup.looked) {
    text += "\n  " + place.file + " (" + std::string(Describe(place.source)) + ")";
  }
  return text;
}

std::string RememberedValue::Read() const {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                   &bytes) != ERROR_SUCCESS ||
      bytes < sizeof(wchar_t)) {
    return {};
  }
  std::wstring value(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_REG_SZ, nullptr,
                   value.data(), &bytes) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(bytes / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return Utf8(value);
}

bool RememberedValue::Write(const std::string& value) const {
  const std::wstring wide = Wide(value);
  return RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), REG_SZ, wide.c_str(),
                         static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace vkt::win
