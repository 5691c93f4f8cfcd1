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

// A row of docs/report-format.md's kind table: "| `kind` [(check)] | how
// its lines begin |".
struct DocumentedKind {
  std::string id;
  bool check_only = false;
  std::string beginning;
};

std::vector<DocumentedKind> DocumentedKinds() {
  std::istringstream in(
      Between(Source("docs/report-format.md"), "| Kind | Text begins with |", "\n\n"));
  std::vector<DocumentedKind> kinds;
  for (std::string row; std::getline(in, row);) {
    if (!row.starts_with("| `")) continue;
    const std::size_t tick = row.find('`', 3);
    const std::size_t bar = row.find(" | ", tick);
    kinds.push_back({row.substr(3, tick - 3), row.substr(tick, bar - tick) == "` (check)",
                     row.substr(bar + 3)});
  }
  return kinds;
}

// What the kind tables say of a kind: its id, whether check alone reports
// it, and its beginnings, each quoted.
struct TabledKind {
  std::string id;
  bool check_only = false;
  std::vector<std::string> beginnings;
};

std::vector<TabledKind> TabledKinds() {
  std::vector<TabledKind> kinds;
  for (const app::ProblemKindInfo& kind : app::kProblemKinds) {
    TabledKind& row = kinds.emplace_back();
    row.id = kind.id;
    row.check_only = kind.reported_by == app::ReportedBy::kCheck;
    for (std::string_view text : {kind.text, kind.other_text, kind.third_text}) {
      if (!text.empty()) row.beginnings.push_back("\"" + std::string(text) + "\"");
    }
  }
  for (const app::ClientRule& rule : app::ClientRules()) {
    kinds.push_back({std::string(rule.kind.id), true, {"\"" + std::string(rule.message) + ": \""}});
  }
  return kinds;
}

// The beginnings of `kind` that `row` does not quote, each followed by a
// blank.
std::string BeginningsMissing(const TabledKind& kind, const std::string& row) {
  std::string missing;
  for (const std::string& beginning : kind.beginnings) {
    if (row.find(beginning) == std::string::npos) missing += beginning + " ";
  }
  return missing;
}

// Its rows in the order of the tables, each marked "(check)" when check
// alone reports it and quoting the beginnings of its lines.
TEST(Documentation, TheReportFormatNamesEveryKindOfProblemWithItsWords) {
  const std::vector<TabledKind> tabled = TabledKinds();
  const std::vector<DocumentedKind> documented = DocumentedKinds();
  ASSERT_EQ(documented.size(), tabled.size());
  for (std::size_t i = 0; i < tabled.size(); ++i) {
    EXPECT_EQ(documented[i].id, tabled[i].id) << "row " << i;
    EXPECT_EQ(documented[i].check_only, tabled[i].check_only) << tabled[i].id;
    EXPECT_EQ(BeginningsMissing(tabled[i], documented[i].beginning), "") << tabled[i].id;
  }
}

TEST(Documentation, TheReadmeNamesEveryKindThatCheckAloneReports) {
  const std::string gate = Between(Source("README.md"), "## Release gate for pipelines", "\n## ");
  for (const TabledKind& kind : TabledKinds()) {
    if (!kind.check_only) continue;
    EXPECT_NE(gate.find("`" + kind.id + "`"), std::string::npos) << kind.id;
  }
}

// The SARIF section names the kinds whose level is "warning".
TEST(Documentation, TheReportFormatNamesTheWarnings) {
  const std::string sarif = Between(Source("docs/report-format.md"), "## SARIF", "\n## ");
  const std::string warnings = Between(sarif, "(every kind but", "which are \"warning\")");
  for (const app::ProblemKindInfo& kind : app::kProblemKinds) {
    const bool named = warnings.find("`" + std::string(kind.id) + "`") != std::string::npos;
    EXPECT_EQ(named, kind.level == "warning") << kind.id;
  }
}

}  // namespace
}  // namespace vkt::cli
