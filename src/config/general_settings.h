// The settings of section [GERAL] of the main configuration "VKTGeraInstallBD.ini":
// one field per key, and one row per key in the table that reads them
// (GeneralKeys: its name, how its value becomes the field, how the field is
// shown). A new key is a field and a row. They are read once, when a front
// end opens its configuration (app::LoadGeneralSettings), and every run takes
// them along (generate::GenerationOptions).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "services/desktop.h"
#include "text/codepage.h"

namespace vkt::config {

inline constexpr std::string_view kGeneralSection = "GERAL";

struct GeneralSettings {
  // CodePage: the code page of the ini files, the source scripts, the Oracle
  // scripts and the version scripts (a file with a byte-order mark is read in
  // its own encoding). Never null; a text::CodePage::Named page. The default
  // is the system code page, Windows-1252.
  const text::CodePage* code_page = &text::SystemCodePage();
  // REPOSITORIO: the repository names, in the order of the window's list
  // (SplitRepositoryList). None by default.
  std::vector<std::string> repositories;
};

// One key of [GERAL].
struct GeneralKey {
  std::string_view name;  // as written in the file; matched without regard to case
  // Sets the key's field from `value` (as the ini reader gives it: trimmed,
  // never empty; an absent or empty key leaves the field at its default).
  // Returns "" or why the value cannot be used; the field then keeps what it
  // held.
  std::string (*read)(std::string_view value, GeneralSettings* settings);
  // The field as a message shows it ("windows-1252").
  std::string (*shown)(const GeneralSettings& settings);
};

// The keys of [GERAL], in the order they are read (the table is in
// general_settings.cpp). Each key is read in the code page the keys before it
// have set: "CodePage" comes first, itself read in the default page, so that
// the others (the repository names) are read in the page it names.
std::span<const GeneralKey> GeneralKeys();

// A key whose value cannot be used.
struct GeneralKeyProblem {
  std::string key;     // its name, as in GeneralKeys
  std::string value;   // as read
  std::string error;   // why it cannot be used
  std::string in_use;  // what its field holds instead (GeneralKey::shown)
  bool operator==(const GeneralKeyProblem&) const = default;
};

// Reads section [GERAL] of the main configuration `path` into settings that
// start from the defaults, key by key in the order of GeneralKeys. A missing
// file, section or key leaves the defaults, without a problem; a file that
// exists but cannot be read shows the ini reader's box through `boxes` and
// leaves the defaults. Each key whose value cannot be used is appended to `problems`
// (when given), in table order.
GeneralSettings ReadGeneralSettings(MessageBoxService& boxes, const std::string& path,
                                    std::vector<GeneralKeyProblem>* problems);

// The repository names of a "REPOSITORIO" value: split at every ",", pieces
// neither trimmed nor dropped ("A,,B" gives "A", "", "B"; "A, B" gives "A",
// " B"). An empty value gives no names.
std::vector<std::string> SplitRepositoryList(std::string_view value);

}  // namespace vkt::config
