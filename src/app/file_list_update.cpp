#include "app/file_list_update.h"

#include <unordered_set>

#include "config/file_list.h"
#include "config/ini.h"
#include "fs/platform/file_system.h"
#include "generate/framing.h"
#include "text/letter_case.h"

namespace vkt::app {

std::vector<std::string> NamesOfKeyLines(const std::vector<std::string>& lines) {
  std::vector<std::string> names;
  for (const std::string& line : lines) {
    if (line.size() < 6 || line.compare(0, 4, "FILE") != 0) continue;
    std::size_t i = 4;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == 4 || i + 1 >= line.size() || line[i] != '=') continue;  // no name, no key
    names.push_back(line.substr(i + 1));
  }
  return names;
}

FileListUpdate UpdateFileList(const Session& session, std::string_view tipo_objeto,
                              const std::vector<std::string>& names) {
  FileListUpdate result;
  const std::string& ini_path = session.settings.ArqConfigIni;
  const std::string section(tipo_objeto);
  const config::FileList list = config::ReadFileList(ini_path, tipo_objeto);
  if (list.status == config::FileListStatus::kInvalidCount) {
    result.error = "NUMFILES of section [" + section + "] in " +
                   generate::CaminhoMensagem(ini_path) + " is not a whole number; nothing written";
    return result;
  }
  config::INI ini;
  ini.ININame(ini_path);
  ini.Section(section);
  const bool has_numfiles = !ini.ReadINISettings("NUMFILES").empty();
  std::unordered_set<std::string> listed;
  for (std::size_t i = 1; i < list.names.size(); ++i) listed.insert(text::UpperCase(list.names[i]));
  std::vector<std::string> fresh;
  for (const std::string& name : names) {
    if (name.empty()) continue;
    if (listed.insert(text::UpperCase(name)).second) fresh.push_back(name);
  }
  const int count = static_cast<int>(list.names.size()) - 1;
  result.numfiles = count + static_cast<int>(fresh.size());
  result.added = static_cast<int>(fresh.size());
  if (fresh.empty() && has_numfiles) {
    result.ok = true;
    return result;
  }

  auto fail = [&](const std::string& key) {
    result.error = "cannot write " + key + " into section [" + section + "] of " +
                   generate::CaminhoMensagem(ini_path);
    if (ini.LastWriteError() != 0) {
      result.error += ": " + platform::Status::Errno(ini.LastWriteError()).Text();
    }
    return result;
  };
  // All keys go into the file in one replacement: the list holds all of them
  // or none. Where NUMFILES exists, the new keys go first; a new section
  // starts with NUMFILES.
  std::vector<config::INI::KeyValue> writes;
  writes.reserve(fresh.size() + 1);
  const config::INI::KeyValue numfiles{"NUMFILES", std::to_string(result.numfiles)};
  if (!has_numfiles) writes.push_back(numfiles);
  for (std::size_t j = 0; j < fresh.size(); ++j) {
    writes.push_back({"FILE" + std::to_string(count + 1 + static_cast<int>(j)), fresh[j]});
  }
  if (has_numfiles) writes.push_back(numfiles);
  if (!ini.BeginWrites()) return fail("NUMFILES");
  if (!ini.WriteSectionKeys(section, writes)) return fail(writes.front().key);
  if (!ini.CommitWrites()) return fail(writes.back().key);
  result.ok = true;
  return result;
}

}  // namespace vkt::app
