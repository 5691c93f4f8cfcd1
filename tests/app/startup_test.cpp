#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::app {
namespace {

using testing::FakeDesktop;
using testing::TempDir;
using Names = std::vector<std::string>;

TEST(SplitRepositoryList, SplitsAtEveryCommaWithoutTrimming) {
  struct Case {
    std::string value;
    Names expected;
  } cases[] = {
      {"", {}},
      {"R1", {"R1"}},
      {"R1,R2", {"R1", "R2"}},
      {"R1,,R2", {"R1", "", "R2"}},
      {"R1, R2 ", {"R1", " R2 "}},
      {",", {"", ""}},
      {"R1,", {"R1", ""}},
      {",R1", {"", "R1"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitRepositoryList(c.value), c.expected) << c.value;
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { session_.program_folder = dir_.path(); }
  void Config(const std::string& bytes) { dir_.Write("VKTGeraInstallBD.ini", bytes); }

  FakeDesktop desktop_;
  TempDir dir_;
  Session session_;
};

// Restores the process's code page after a test that changes it.
class CodePageTest : public StartupTest {
 protected:
  void TearDown() override {
    std::string error;
    ASSERT_TRUE(text::SetSystemCodePage("windows-1252", &error)) << error;
  }
};

TEST_F(CodePageTest, ANamedCodePageIsUsedForLaterReads) {
  Config("[GERAL]\nCodePage=UTF-8\nREPOSITORIO=Produ\xC3\xA7\xC3\xA3o\n");
  CodePageSetting setting = ApplyConfiguredCodePage(session_);
  EXPECT_TRUE(setting.applied);
  EXPECT_EQ(CarregaCombos(session_).repositories, Names{"Produ\xC3\xA7\xC3\xA3o"});
}

TEST_F(CodePageTest, AnUnknownOrUnusableCodePageKeepsTheCurrentOneAndSaysSo) {
  for (std::string name : {"no-such-page", "UTF-16LE"}) {
    Config("[GERAL]\nCodePage=" + name + "\n");
    CodePageSetting setting = ApplyConfiguredCodePage(session_);
    EXPECT_EQ(setting.name, name);
    EXPECT_FALSE(setting.applied);
    EXPECT_NE(setting.error, "") << name;
    EXPECT_EQ(UnknownCodePageMessage(setting),
              "CodePage desconhecido no arquivo ini: " + name + "\r\nUsando: windows-1252");
    EXPECT_EQ(text::SystemCodePage().Decode("\xE9"), "\xC3\xA9");
  }
}

}  // namespace
}  // namespace vkt::app
