// vktgera(1) and the bash completion, as the build writes them from their
// templates (tools/object_type_lists.cpp), list the object types of the
// window's list (app::kObjectTypes, from the object-type table); the report
// format and the README name every kind of problem of the kind tables.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/client_rules.h"
#include "app/run_report.h"
#include "app/startup.h"
#include "support/temp_dir.h"

namespace vkt::cli {
namespace {

using Words = std::vector<std::string>;

std::string Built(std::string_view relative) {
  return testing::ReadFileBytes(std::string(VKT_BINARY_DIR) + "/" + std::string(relative));
}

Words WindowList() { return Words(app::kObjectTypes.begin(), app::kObjectTypes.end()); }

// The words of `text` split at blanks, tabs, line ends and commas.
Words SplitWords(std::string text) {
  for (char& c : text) {
    if (c == ',' || c == '\t' || c == '\n') c = ' ';
  }
  std::istringstream in(text);
  Words words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The text of `document` from the end of `intro` to `end`.
std::string Between(const std::string& document, std::string_view intro, std::string_view end) {
  const std::size_t start = document.find(intro);
  if (start == std::string::npos) return "(no " + std::string(intro) + ")";
  const std::size_t from = start + intro.size();
  const std::size_t to = document.find(end, from);
  if (to == std::string::npos) return "(no end)";
  return document.substr(from, to - from);
}

// Option --type: the types follow the line that ends in "than TODOS):", on
// the indented lines up to the blank one, the last ending in ".".
TEST(Documentation, TheCommandLineManualListsTheWindowsTypes) {
  std::string list = Between(Built("man/vktgera.1.scd"), "needs one other than TODOS):\n", "\n\n");
  ASSERT_TRUE(list.ends_with(".")) << list;
  list.pop_back();
  EXPECT_EQ(SplitWords(list), WindowList());
}

// The completion offers the types but "TODOS" to `numbering`, and adds it
// for the other commands.
TEST(Documentation, TheBashCompletionOffersTheWindowsTypes) {
  const std::string script = Built("completion/vktgera");
  Words expected = WindowList();
  expected.erase(expected.begin());
  EXPECT_EQ(SplitWords(Between(script, "local types=\"", "\"")), expected);
  EXPECT_NE(script.find("types=\"" + std::string(app::kObjectTypes[0]) + " $types\""),
            std::string::npos);
}

std::string Source(std::string_view relative) {
  return testing::ReadFileBytes(std::string(VKT_SOURCE_DIR) + "/" + std::string(relative));
}

// The kinds of docs/report-format.md's table, one row "| `kind` ..." each, in
// their order; those marked "(check)" also in `check_kinds`.
Words DocumentedKinds(Words* check_kinds) {
  std::istringstream in(
      Between(Source("docs/report-format.md"), "| Kind | Text begins with |", "\n\n"));
  Words kinds;
  for (std::string row; std::getline(in, row);) {
    if (!row.starts_with("| `")) continue;
    const std::string kind = row.substr(3, row.find('`', 3) - 3);
    kinds.push_back(kind);
    if (row.find("` (check) |") != std::string::npos) check_kinds->push_back(kind);
  }
  return kinds;
}

TEST(Documentation, TheReportFormatAndTheReadmeNameEveryKindOfProblem) {
  Words kinds;
  for (const app::ProblemKindInfo& kind : app::kProblemKinds) kinds.emplace_back(kind.id);
  for (const app::ClientRule& rule : app::ClientRules()) kinds.emplace_back(rule.kind.id);
  Words check_kinds;
  EXPECT_EQ(DocumentedKinds(&check_kinds), kinds);
  ASSERT_FALSE(check_kinds.empty());
  const std::string gate = Between(Source("README.md"), "## Release gate for pipelines", "\n## ");
  for (const std::string& kind : check_kinds) {
    EXPECT_NE(gate.find("`" + kind + "`"), std::string::npos) << kind << " in README.md";
  }
}

}  // namespace
}  // namespace vkt::cli
