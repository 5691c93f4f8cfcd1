#include "cli/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>

#include "app/startup.h"

namespace vkt::cli {
namespace {

// Columns of a UTF-8 line: one per character (every byte but continuation
// bytes); --help holds no wide or combining characters.
std::size_t Columns(const std::string& line) {
  std::size_t columns = 0;
  for (unsigned char byte : line) columns += (byte & 0xC0) != 0x80;
  return columns;
}

TEST(UsageText, EveryLineFitsEightyColumns) {
  for (app::LookupRules rules : {app::LookupRules::kXdg, app::LookupRules::kWindows}) {
    std::istringstream text(UsageText(rules));
    int number = 0;
    for (std::string line; std::getline(text, line);) {
      ++number;
      EXPECT_LE(Columns(line), 80u) << "line " << number << ": " << line;
    }
    EXPECT_GT(number, 1);
  }
}

// Whether `text` holds each of `parts`, and none of `absent`.
void ExpectParts(const std::string& text, std::initializer_list<const char*> parts,
                 std::initializer_list<const char*> absent) {
  for (const char* part : parts) EXPECT_NE(text.find(part), std::string::npos) << part;
  for (const char* part : absent) EXPECT_EQ(text.find(part), std::string::npos) << part;
}

TEST(UsageText, DescribesTheXdgLookupAndTheSignalsOnLinux) {
  ExpectParts(UsageText(app::LookupRules::kXdg),
              {"$XDG_CONFIG_HOME/vktgerainstallbd", "/etc/xdg/vktgerainstallbd", "docs/ORACLE",
               "130, 143 or 129 interrupted by SIGINT,\nSIGTERM or SIGHUP"},
              {"/?", "APPDATA", "0xC000013A"});
}

TEST(UsageText, DescribesTheWindowsLookupAndCtrlCOnWindows) {
  ExpectParts(UsageText(app::LookupRules::kWindows),
              {"%APPDATA%\\VKTGeraInstallBD", "%PROGRAMDATA%\\VKTGeraInstallBD", "docs\\ORACLE",
               "docs\\SQLSERVER", "--help | /? | --version", "0xC000013A"},
              {"XDG", "/etc", "docs/", "SIGINT"});
}

TEST(UsageText, ListsEveryObjectTypeOnceCommaSeparated) {
  const std::string usage = UsageText();
  const std::size_t from = usage.find("TODOS):\n") + std::string_view("TODOS):\n").size();
  std::istringstream listed(usage.substr(from, usage.find("  --report ") - from));
  std::string words, expected;
  for (std::string word; listed >> word;) words += (words.empty() ? "" : " ") + word;
  for (std::string_view type : app::kObjectTypes) {
    expected += (expected.empty() ? "" : ", ") + std::string(type);
  }
  EXPECT_EQ(words, expected);
}

TEST(UsageText, IsThatOfTheBuildsSystem) {
  EXPECT_EQ(UsageText(), UsageText(app::kBuildLookupRules));
}

// "/?" asks a Windows program for its usage; elsewhere it is no command.
TEST(ParseOptions, SlashQuestionMarkIsHelpOnWindowsOnly) {
  const ParseResult parsed = ParseOptions({"install", "/?"});
  const bool windows = app::kBuildLookupRules == app::LookupRules::kWindows;
  EXPECT_EQ(parsed.ok, windows) << parsed.error;
  EXPECT_TRUE(!windows || parsed.options.command == Command::kHelp);
  EXPECT_EQ(parsed.error, windows ? "" : "unexpected argument \"/?\"");
}

}  // namespace
}  // namespace vkt::cli
