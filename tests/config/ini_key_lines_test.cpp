#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ini.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::config {
namespace {

using Lines = std::vector<INI::KeyLine>;

std::vector<std::string> Describe(const Lines& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(std::to_string(l.line) + ":" + l.name + "=" + l.value);
  return out;
}

TEST(IniSectionKeyLines, GivesEveryKeyLineOfTheFirstSectionInFileOrder) {
  testing::TempDir dir;
  dir.Write(
      "list.ini",
      "[VIEWS]\r\nNUMFILES=1\r\n[ tabelas ]\r\n; a comment\r\n  NUMFILES = 2 \r\n"
      "FILE2=\"B\"\r\nFILE1=A\r\n\r\nfile1=again\r\nJUNK\r\nEMPTY=\r\n[TABELAS]\r\nFILE3=C\r\n");
  INI ini;
  ini.ININame(dir / "list.ini");
  ini.Section("TABELAS");
  Lines lines;
  ASSERT_TRUE(ini.SectionKeyLines(&lines));
  EXPECT_EQ(Describe(lines), (std::vector<std::string>{"5:NUMFILES=2", "6:FILE2=B", "7:FILE1=A",
                                                       "9:file1=again", "10:JUNK=", "11:EMPTY="}));
}

TEST(IniSectionKeyLines, FailsQuietlyOnAMissingFileOrSection) {
  testing::FakeDesktop desktop;
  testing::TempDir dir;
  INI ini;
  ini.ININame(dir / "none.ini");
  ini.Section("TABELAS");
  Lines lines{{"x", "y", 1}};
  EXPECT_FALSE(ini.SectionKeyLines(&lines));
  EXPECT_TRUE(lines.empty());
  dir.Write("list.ini", "[VIEWS]\nNUMFILES=1\n");
  ini.ININame(dir / "list.ini");
  EXPECT_FALSE(ini.SectionKeyLines(&lines));
  EXPECT_TRUE(desktop.boxes.empty());
}

}  // namespace
}  // namespace vkt::config
