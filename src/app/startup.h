// Start-up of the window (and of a command-line run): the two lists of the
// window, the repository settings of a picked repository and the optional code
// page of the main configuration file "VKTGeraInstallBD.ini".
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"
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

// The repository names of a "REPOSITORIO" value: split at every ",", pieces
// neither trimmed nor dropped ("A,,B" gives "A", "", "B"; "A, B" gives "A",
// " B"). An empty value gives no names.
std::vector<std::string> SplitRepositoryList(std::string_view value);

// What `CarregaCombos` puts into the window's lists.
struct ComboContents {
  std::vector<std::string> object_types;  // kObjectTypes, in order
  int selected_object_type = 0;           // "TODOS"
  std::vector<std::string> repositories;  // none selected
};

// Fills the lists: the object types, and the repositories from key
// "REPOSITORIO" of section "GERAL" of the main configuration file. A missing
// file, section or key gives no repositories and no message; a file that
// cannot be read shows the ini reader's error box.
ComboContents CarregaCombos(const Session& session);

// Loads the settings of `repository` (the text of the repository list; empty
// when nothing is chosen) from its section of the main configuration file:
// `SISTEMA` upper-cased then trimmed, the three paths as read and then taken
// from the configuration's folder (PathFromConfigurationFolder with
// `session.program_folder`). A missing section or key empties that setting.
// Sets `session.repository` too.
void CarregaConfigRepositorio(Session& session, const std::string& repository);

// A path of the main configuration (`PathOrigem`, `PathDestino`,
// `ArqConfigIni`) as the program uses it. The program was written to start in
// its own folder, beside its configuration, so a relative path led there: a
// relative `path` is joined to `folder` (with "/" unless `folder` ends in a
// separator), nothing else changed ("..", "\" and letter case stay). An empty
// path, one that begins with "\" or "/", one with a drive prefix ("C:") and
// any path when `folder` is empty are returned as they are.
std::string PathFromConfigurationFolder(std::string_view folder, std::string_view path);

// The code page named by the optional key "CodePage" of section "GERAL".
struct CodePageSetting {
  std::string name;      // as read; empty when the key is absent
  bool applied = false;  // true when `name` is now the system code page
  std::string error;     // why a named code page could not be used
};

// Reads "CodePage" and, when it names a code page ICU knows, makes it the
// system code page, so that every later read of this and the other ini files
// and scripts uses it. An unknown name leaves the code page as it was
// (Windows-1252 unless changed before) and is returned in `error` for the
// front end to report. Call it before CarregaCombos.
CodePageSetting ApplyConfiguredCodePage(const Session& session);

// The text a front end shows for an unknown "CodePage".
std::string UnknownCodePageMessage(const CodePageSetting& setting);

}  // namespace vkt::app
