#include "config/general_settings.h"

#include <array>
#include <utility>

#include "config/ini.h"

namespace vkt::config {
namespace {

std::string ReadCodePage(std::string_view value, GeneralSettings* settings) {
  std::string error;
  const text::CodePage* page = text::CodePage::Named(value, &error);
  if (page == nullptr) return error.empty() ? "unknown code page" : error;
  // Ini files and scripts are split into lines and keys on their ASCII bytes;
  // a code page that encodes those differently (UTF-16, EBCDIC) cannot be used.
  constexpr std::string_view kAscii = "[]=;\r\n\t azAZ09\\/.,_-";
  if (page->Encode(kAscii) != kAscii) {
    return "not an ASCII-compatible code page: " + std::string(value);
  }
  settings->code_page = page;
  return "";
}

std::string ShownCodePage(const GeneralSettings& settings) { return settings.code_page->name(); }

std::string ReadRepositories(std::string_view value, GeneralSettings* settings) {
  settings->repositories = SplitRepositoryList(value);
  return "";
}

std::string ShownRepositories(const GeneralSettings& settings) {
  std::string shown;
  for (const std::string& name : settings.repositories) {
    if (!shown.empty()) shown += ',';
    shown += name;
  }
  return shown;
}

constexpr auto kGeneralKeys = std::to_array<GeneralKey>({
    {"CodePage", ReadCodePage, ShownCodePage},
    {"REPOSITORIO", ReadRepositories, ShownRepositories},
});

}  // namespace

std::span<const GeneralKey> GeneralKeys() { return kGeneralKeys; }

GeneralSettings ReadGeneralSettings(MessageBoxService& boxes, const std::string& path,
                                    std::vector<GeneralKeyProblem>* problems) {
  GeneralSettings settings;
  INI ini(boxes);
  const text::CodePage* named = nullptr;  // the page `ini` reads in
  for (const GeneralKey& key : kGeneralKeys) {
    if (named != settings.code_page) {
      named = settings.code_page;
      ini.ININame(path, *named, IniReach::kAnyLink);
      ini.Section(std::string(kGeneralSection));
    }
    const std::string value = ini.ReadINISettings(std::string(key.name));
    if (value.empty()) continue;
    std::string error = key.read(value, &settings);
    if (error.empty() || problems == nullptr) continue;
    problems->push_back({std::string(key.name), value, std::move(error), key.shown(settings)});
  }
  return settings;
}

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

}  // namespace vkt::config
