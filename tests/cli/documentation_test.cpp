// The object types as the manuals, the README and the bash completion name
// them are those of the window's list (app::kObjectTypes, from the object-type
// table): a type added to the table without them fails here.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "support/temp_dir.h"

namespace vkt::cli {
namespace {

using Words = std::vector<std::string>;

std::string Source(std::string_view relative) {
  return testing::ReadFileBytes(std::string(VKT_SOURCE_DIR) + "/" + std::string(relative));
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

// vktgera(1), option --type: the types follow the line that ends in
// "than TODOS):", on the indented lines up to the blank one, the last
// ending in ".".
TEST(Documentation, TheCommandLineManualListsTheWindowsTypes) {
  const std::string manual = Source("data/man/vktgera.1.scd");
  const std::string intro = "needs one other than TODOS):\n";
  const std::size_t start = manual.find(intro);
  ASSERT_NE(start, std::string::npos);
  const std::size_t from = start + intro.size();
  const std::size_t end = manual.find("\n\n", from);
  ASSERT_NE(end, std::string::npos);
  std::string list = manual.substr(from, end - from);
  ASSERT_TRUE(list.ends_with(".")) << list;
  list.pop_back();
  EXPECT_EQ(SplitWords(list), WindowList());
}

// The completion offers the types but "TODOS" to `numbering`, and adds it
// for the other commands.
TEST(Documentation, TheBashCompletionOffersTheWindowsTypes) {
  const std::string script = Source("data/completion/vktgera");
  const std::string intro = "local types=\"";
  const std::size_t start = script.find(intro);
  ASSERT_NE(start, std::string::npos);
  const std::size_t from = start + intro.size();
  const std::size_t end = script.find('"', from);
  ASSERT_NE(end, std::string::npos);
  Words expected = WindowList();
  expected.erase(expected.begin());
  EXPECT_EQ(SplitWords(script.substr(from, end - from)), expected);
  EXPECT_NE(script.find("types=\"" + std::string(app::kObjectTypes[0]) + " $types\""),
            std::string::npos);
}

TEST(Documentation, TheWindowsManualAndTheReadmeCountTheWindowsTypes) {
  const std::string count = "one of " + std::to_string(app::kObjectTypes.size()) + " object types";
  for (const char* file : {"data/man/VKTGeraInstallBD.1.scd", "README.md"}) {
    std::string text = Source(file);
    for (char& c : text) c = c == '\n' ? ' ' : c;
    EXPECT_NE(text.find(count), std::string::npos) << file << ": " << count;
  }
}

}  // namespace
}  // namespace vkt::cli
