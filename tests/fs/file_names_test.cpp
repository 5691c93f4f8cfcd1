// Names on disk as listings show and order them: names that are not UTF-8,
// and the UTF-16 order of names beyond U+FFFF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using testing::TempDir;

std::vector<std::string> Listed(const std::string& expression) {
  std::vector<std::string> names;
  for (const Entry& e : FindEntries(expression)) names.push_back(e.name);
  return names;
}

TEST(FileNames, ANameThatIsNotUtf8IsShownAsWindows1252AndFoundByThatName) {
  TempDir dir;
  dir.Write("Tabelas/caf\xE9.ora", "body");
  dir.Write("Tabelas/A\x81.ora", "other");  // an unassigned byte maps to U+0081
  const std::string folder = dir / "Tabelas";
  EXPECT_EQ(Listed(folder + "/*.ora"),
            (std::vector<std::string>{"A\xC2\x81.ora", "caf\xC3\xA9.ora"}));
  EXPECT_EQ(Listed(folder + "\\CAF\xC3\x89.ORA"), std::vector<std::string>{"caf\xC3\xA9.ora"});
  EXPECT_TRUE(IsRegularFile(folder + "/caf\xC3\xA9.ora"));
  File file;
  ASSERT_TRUE(File::Open(folder + "\\caf\xC3\xA9.ora", File::Mode::kRead, &file).ok());
  char buffer[8];
  std::size_t got = 0;
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, &got).ok());
  EXPECT_EQ(std::string(buffer, got), "body");
  EXPECT_TRUE(fs::FileSystemObject().FileExists(folder + "\\A\xC2\x81.ora"));
}

TEST(FileNames, ListingsCompareUpperCasedNamesByUtf16CodeUnits) {
  // U+1F600 is the surrogate pair D83D DE00, which comes before U+FF21 and
  // U+E000 in UTF-16 although its UTF-8 bytes (F0 ...) come after theirs.
  const std::string emoji = "\xF0\x9F\x98\x80", fullwidth_a = "\xEF\xBC\xA1",
                    private_use = "\xEE\x80\x80";
  TempDir dir;
  for (const std::string& name : {"b" + fullwidth_a, "B" + emoji, "b" + private_use,
                                  std::string("b\xC3\xA9"), std::string("B"), emoji + "x"}) {
    dir.Write("d/" + name, "");
  }
  EXPECT_EQ(Listed(dir / "d/*"),
            (std::vector<std::string>{".", "..", "B", "b\xC3\xA9", "B" + emoji, "b" + private_use,
                                      "b" + fullwidth_a, emoji + "x"}));
}

}  // namespace
}  // namespace vkt::platform
