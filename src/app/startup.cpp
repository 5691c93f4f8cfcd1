#include "app/startup.h"

#include <memory>

#include "config/ini.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::app {
namespace {

std::string TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

config::INI MainConfiguration(const Session& session, const std::string& section) {
  config::INI ini;
  ini.ININame(session.MainConfigPath(), text::SystemCodePage());
  ini.Section(section);
  return ini;
}

}  // namespace

std::vector<std::string> SplitRepositoryList(std::string_view value) {
  std::vector<std::string> names;
  if (value.empty()) return names;
  for (;;) {
    std::size_t comma = value.find(',');
    names.emplace_back(value.substr(0, comma));
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return names;
}

ComboContents CarregaCombos(const Session& session) {
  ComboContents contents;
  contents.object_types.assign(kObjectTypes.begin(), kObjectTypes.end());
  contents.selected_object_type = 0;
  config::INI ini = MainConfiguration(session, "GERAL");
  contents.repositories = SplitRepositoryList(ini.ReadINISettings("REPOSITORIO"));
  return contents;
}

void CarregaConfigRepositorio(Session& session, const std::string& repository) {
  session.repository = repository;
  config::INI ini = MainConfiguration(session, repository);
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
  if (!separator(joined.back())) joined += '/';
  return joined.append(path);
}

CodePageSetting ApplyConfiguredCodePage(const Session& session) {
  CodePageSetting setting;
  config::INI ini = MainConfiguration(session, "GERAL");
  setting.name = ini.ReadINISettings("CodePage");
  if (setting.name.empty()) return setting;
  std::string error;
  std::unique_ptr<text::CodePage> page = text::CodePage::Open(setting.name, &error);
  if (!page) {
    setting.error = error.empty() ? "unknown code page" : error;
    return setting;
  }
  // Ini files and scripts are split into lines and keys on their ASCII bytes;
  // a code page that encodes those differently (UTF-16, EBCDIC) cannot be used.
  constexpr std::string_view kAscii = "[]=;\r\n\t azAZ09\\/.,_-";
  if (page->Encode(kAscii) != kAscii) {
    setting.error = "not an ASCII-compatible code page: " + setting.name;
    return setting;
  }
  if (!text::SetSystemCodePage(setting.name, &error)) {
    setting.error = error.empty() ? "unknown code page" : error;
    return setting;
  }
  setting.applied = true;
  return setting;
}

std::string UnknownCodePageMessage(const CodePageSetting& setting) {
  return "CodePage desconhecido no arquivo ini: " + setting.name +
         "\r\nUsando: " + text::SystemCodePage().name();
}

}  // namespace vkt::app
