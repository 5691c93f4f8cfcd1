#include "app/file_list_update.h"

#include <cstdint>
#include <unordered_set>

#include "config/file_list.h"
#include "config/ini.h"
#include "fs/platform/file_system.h"
#include "generate/framing.h"
#include "services/desktop.h"
#include "text/codepage.h"
#include "text/control_escapes.h"
#include "text/letter_case.h"
#include "text/utf8.h"

namespace vkt::app {
namespace {

// The characters of `name` that `page` lacks, as "U+0301, U+2126" (the first
// few): an accent written apart from its letter looks like the letter with
// its accent.
std::string MissingCharacters(const text::CodePage& page, std::string_view name) {
  constexpr int kMaxShown = 4;
  std::string shown;
  int count = 0;
  for (std::size_t i = 0; i < name.size() && count < kMaxShown;) {
    const std::size_t start = i;
    const std::int32_t c = text::NextUtf8(name, &i);
    bool lossy = false;
    page.Encode(name.substr(start, i - start), &lossy);
    if (!lossy) continue;
    const std::string code = text::CodePointText(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    if (shown.find(code) != std::string::npos) continue;
    shown += (count++ == 0 ? "" : ", ") + code;
  }
  return shown.empty() ? "some of its characters" : shown;
}

// Why `name`, new to a list that `ini` reads in `page`, cannot be written into
// it; "" when it can.
std::string WhyNotWritten(const config::INI& ini, const text::CodePage& page,
                          const std::string& name) {
  if (name.find_first_of(std::string_view("\r\n", 2)) != std::string::npos) {
    return "holds a line break (CR or LF), which no key line can hold";
  }
  if (name.find('\0') != std::string::npos) return "holds a NUL, which ends the value";
  // The installation takes each listed name as a path below the type's folder.
  if (name.find_first_of("\\/") != std::string::npos) {
    return "holds \\ or /, which the installation reads as a folder separator";
  }
  std::string as_read;
  switch (ini.HowValueReadsBack(name, &as_read)) {
    case config::INI::ReadBack::kSame:
      // The numbering shows such a name escaped, and offers it as no key line.
      if (text::HasControls(name)) {
        return "holds a control or bidirectional character, which the numbering shows escaped";
      }
      return "";
    case config::INI::ReadBack::kRefused:
      return "holds a NUL, which ends the value";
    case config::INI::ReadBack::kNotInEncoding:
      return page.name() + ", the list's code page, lacks " + MissingCharacters(page, name) +
             ": it would read back as " + ShownName(as_read);
    case config::INI::ReadBack::kBlanksTrimmed:
      return "begins or ends with a blank (space or tab), which the list's reader trims";
    case config::INI::ReadBack::kQuotesStripped:
      return "is enclosed in quotes, which the list's reader strips";
    case config::INI::ReadBack::kCut:
      return "is longer than the 254 bytes the list's reader keeps of a value";
  }
  return "";
}

}  // namespace

std::string ShownName(std::string_view name) {
  std::string shown = "\"";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
  std::size_t i = 0;
  while (i < name.size()) {
    const std::size_t start = i;
    const std::int32_t c = text::NextUtf8(name, &i);
    if (c < 0) {
      for (std::size_t j = start; j < i; ++j) shown += "\\x" + text::UpperHex(bytes[j], 2);
    } else if (c == '\\' || c == '"') {
      shown += '\\';
      shown += static_cast<char>(c);
    } else if (const std::string escape = text::ControlEscape(c); !escape.empty()) {
      shown += escape;
    } else {
      shown.append(name.substr(start, i - start));
    }
  }
  return shown + "\"";
}

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

namespace {

// How many times a list that another program saved meanwhile is read and
// merged again before the update gives up.
constexpr int kAttempts = 5;

// One read, merge and replacement of the list (see UpdateFileList); `*again`
// when another program saved the list between the read and the replacement.
FileListUpdate UpdateOnce(const Session& session, std::string_view tipo_objeto,
                          const std::vector<std::string>& names, bool* again) {
  *again = false;
  FileListUpdate result;
  const std::string& ini_path = session.settings.ArqConfigIni;
  const std::string section(tipo_objeto);
  const text::CodePage& page = *session.general.code_page;
  config::INI ini(*Desktop().boxes);
  ini.ININame(ini_path, page);
  auto fail = [&](const std::string& key) {
    result.error = "cannot write " + key + " into section [" + section + "] of " +
                   generate::CaminhoMensagem(ini_path);
    if (ini.LastWriteError() != 0) {
      result.error += ": " + ini.LastWriteStatus().Text();
    }
    *again = ini.LastWriteError() == platform::kChangedMeanwhile;
    return result;
  };
  // The list is read once, here: what is merged, how a name would read back
  // (its encoding) and what the replacement must still find on disk.
  if (!ini.BeginWrites()) {
    // A list that cannot be read shows its box, as for every reader of it.
    (void)config::ReadFileList(*Desktop().boxes, ini_path, page, tipo_objeto);
    return fail("NUMFILES");
  }
  const config::FileList list = config::ReadFileList(ini, tipo_objeto);
  if (list.status == config::FileListStatus::kInvalidCount) {
    result.error = "NUMFILES of section [" + section + "] in " +
                   generate::CaminhoMensagem(ini_path) + " is not a whole number; nothing written";
    return result;
  }
  const bool has_numfiles = !ini.ReadINISettings("NUMFILES").empty();
  std::unordered_set<std::string> listed;
  for (std::size_t i = 1; i < list.names.size(); ++i) listed.insert(text::UpperCase(list.names[i]));
  std::vector<std::string> fresh;  // not listed yet, and read back as written
  for (const std::string& name : names) {
    if (name.empty() || !listed.insert(text::UpperCase(name)).second) continue;
    const std::string why = WhyNotWritten(ini, page, name);
    if (why.empty()) {
      fresh.push_back(name);
    } else {
      result.refused.push_back("not written: " + ShownName(name) + " - " + why);
    }
  }
  const int count = static_cast<int>(list.names.size()) - 1;
  result.numfiles = count + static_cast<int>(fresh.size());
  result.added = static_cast<int>(fresh.size());
  if (fresh.empty() && has_numfiles) {
    result.ok = true;  // the gathered writes, none, are dropped with `ini`
    return result;
  }

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
  if (!ini.WriteSectionKeys(section, writes)) return fail(writes.front().key);
  if (!ini.CommitWrites()) return fail(writes.back().key);
  result.other_links = ini.ReplacedOtherLinks();
  result.other_owner = ini.ReplacedOtherOwner();
  result.ok = true;
  return result;
}

}  // namespace

FileListUpdate UpdateFileList(const Session& session, std::string_view tipo_objeto,
                              const std::vector<std::string>& names) {
  for (int attempt = 1;; ++attempt) {
    bool again = false;
    FileListUpdate result = UpdateOnce(session, tipo_objeto, names, &again);
    if (!again) return result;
    if (attempt == kAttempts) {
      result.error += " (" + std::to_string(kAttempts) + " tries)";
      return result;
    }
  }
}

}  // namespace vkt::app
