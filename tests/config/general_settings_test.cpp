#include "config/general_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::config {
namespace {

using testing::TempDir;

// UTF-16LE is ICU's; the Windows build knows only the pages of
// text/codepage_names.cpp.
#ifdef _WIN32
constexpr char kNotAsciiProblem[] = "Unknown code page: UTF-16LE";
#else
constexpr char kNotAsciiProblem[] = "not an ASCII-compatible code page: UTF-16LE";
#endif

// Every field of the settings built from one main configuration, and the
// keys that could not be used.
TEST(ReadGeneralSettings, EachFieldComesFromItsKeyOrKeepsItsDefault) {
  const struct {
    std::string ini;
    const char* code_page;
    const char* repositories;  // each name in brackets
    std::vector<GeneralKeyProblem> problems;
  } rows[] = {
      // No file, no section, empty keys.
      {"", "windows-1252", "", {}},
      {"[OUTRA]\r\nCodePage=UTF-8\r\nREPOSITORIO=R1\r\n", "windows-1252", "", {}},
      {"[GERAL]\r\nCodePage=\r\nREPOSITORIO=\r\n", "windows-1252", "", {}},
      {"[GERAL]\r\nREPOSITORIO=R1,, R2\r\n", "windows-1252", "[R1][][ R2]", {}},
      // Names in Windows-1252, or in the page named, whatever the keys' order.
      {"[GERAL]\r\nREPOSITORIO=Produ\xE7\xE3o\r\n", "windows-1252", "[Produ\xC3\xA7\xC3\xA3o]", {}},
      {"[geral]\r\nrepositorio=Produ\xC3\xA7\xC3\xA3o\r\ncodepage= UTF-8 \r\n",
       "UTF-8",
       "[Produ\xC3\xA7\xC3\xA3o]",
       {}},
      // An unknown page, a page that is not ASCII.
      {"[GERAL]\r\nCodePage=klingon\r\nREPOSITORIO=A\r\n",
       "windows-1252",
       "[A]",
       {{"CodePage", "klingon", "Unknown code page: klingon", "windows-1252"}}},
      {"[GERAL]\nCodePage=UTF-16LE\n",
       "windows-1252",
       "",
       {{"CodePage", "UTF-16LE", kNotAsciiProblem, "windows-1252"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ini);
    testing::FakeDesktop desktop;
    TempDir dir;
    if (!row.ini.empty()) dir.Write("VKTGeraInstallBD.ini", row.ini);
    std::vector<GeneralKeyProblem> problems;
    const GeneralSettings settings =
        ReadGeneralSettings(desktop, dir / "VKTGeraInstallBD.ini", &problems);
    EXPECT_EQ(settings.code_page->name(), row.code_page);
    std::string repositories;
    for (const std::string& name : settings.repositories) repositories += "[" + name + "]";
    EXPECT_EQ(repositories, row.repositories);
    EXPECT_EQ(problems, row.problems);
    EXPECT_TRUE(desktop.boxes.empty());
  }
}

// The README tells the user about every key.
TEST(GeneralKeys, TheReadmeNamesEveryKey) {
  const std::string readme = testing::ReadFileBytes(std::string(VKT_SOURCE_DIR) + "/README.md");
  for (const GeneralKey& key : GeneralKeys()) {
    EXPECT_NE(readme.find("`" + std::string(key.name)), std::string::npos) << key.name;
  }
}

// Names between commas, untrimmed and empty ones too, are pinned by the
// rows above and by tests/cases (codepage, config-lookup); here, the ends.
TEST(SplitRepositoryList, SplitsAtEveryCommaWithoutTrimming) {
  // Each name in brackets.
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"R1", "[R1]"}, {",", "[][]"}, {"R1,", "[R1][]"}, {",R1", "[][R1]"}};
  for (const auto& [value, names] : cases) {
    std::string got;
    for (const std::string& name : SplitRepositoryList(value)) got += "[" + name + "]";
    EXPECT_EQ(got, names) << value;
  }
}

}  // namespace
}  // namespace vkt::config
