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

TEST_F(StartupTest, CarregaCombosListsTheObjectTypesInOrderWithTodosSelected) {
  ComboContents lists = CarregaCombos(session_);
  const Names expected = {"TODOS",
                          "TYPESRULESDEFAULTS",
                          "TABELAS",
                          "TABELAS2",
                          "EVOLUCAO",
                          "EVOLUCAO2",
                          "PROCEDURES",
                          "PACKAGES",
                          "VIEWS",
                          "FUNCTIONS",
                          "TRIGGERS",
                          "SEQUENCES",
                          "DADOS",
                          "GRANTS",
                          "SINONIMOS",
                          "TEMPLATES",
                          "PROCEDURES_SQL_2005",
                          "PACKAGES_SQL_2005",
                          "JOBS"};
  EXPECT_EQ(lists.object_types, expected);
  EXPECT_EQ(lists.selected_object_type, 0);
}

TEST_F(StartupTest, CarregaCombosReadsTheRepositoriesOfTheMainConfiguration) {
  Config("[geral]\r\nRepositorio=Prod,,Homolog, Teste\r\n");
  EXPECT_EQ(CarregaCombos(session_).repositories, (Names{"Prod", "", "Homolog", " Teste"}));
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(StartupTest, NoMainConfigurationSectionOrKeyGivesNoRepositoriesAndNoMessage) {
  EXPECT_TRUE(CarregaCombos(session_).repositories.empty());
  Config("[OUTRA]\nREPOSITORIO=R1\n");
  EXPECT_TRUE(CarregaCombos(session_).repositories.empty());
  Config("[GERAL]\nREPOSITORIO=\n");
  EXPECT_TRUE(CarregaCombos(session_).repositories.empty());
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(StartupTest, ALongRepositoryListLosesItsTailAt254Characters) {
  std::string value;
  for (int i = 0; i < 30; ++i)
    value += (i ? "," : "") + std::string("REPO_") + std::to_string(100 + i);
  Config("[GERAL]\nREPOSITORIO=" + value + "\n");
  Names repositories = CarregaCombos(session_).repositories;
  // 28 names of 8 characters, each followed by a comma, fill 252; 2 are left.
  ASSERT_EQ(repositories.size(), 29u);
  EXPECT_EQ(repositories[27], "REPO_127");
  EXPECT_EQ(repositories[28], "RE");
}

TEST_F(StartupTest, CarregaConfigRepositorioLoadsTheFourSettings) {
  Config(
      "[GERAL]\nREPOSITORIO=R1\n"
      "[r1]\nSISTEMA= xyz \nPathOrigem=D:\\Repo\\Src\nPathDestino=/out/Dir\n"
      "ArqConfigIni=/cfg/Lista.ini\nOUTRA=ignored\n");
  CarregaConfigRepositorio(session_, "R1");
  EXPECT_EQ(session_.repository, "R1");
  EXPECT_EQ(session_.settings.SISTEMA, "XYZ");
  EXPECT_EQ(session_.settings.PathOrigem, "D:\\Repo\\Src");
  EXPECT_EQ(session_.settings.PathDestino, "/out/Dir");
  EXPECT_EQ(session_.settings.ArqConfigIni, "/cfg/Lista.ini");
}

TEST_F(StartupTest, SistemaIsUpperCasedWithUnicodeRules) {
  Config(
      "[R1]\nSISTEMA=sa\xFA"
      "de\n");  // "saúde" in Windows-1252
  CarregaConfigRepositorio(session_, "R1");
  EXPECT_EQ(session_.settings.SISTEMA,
            "SA\xC3\x9A"
            "DE");
}

TEST_F(StartupTest, ALaterPickReplacesAllFourSettings) {
  Config(
      "[R1]\nSISTEMA=ABC\nPathOrigem=/a\nPathDestino=/b\nArqConfigIni=/c\n"
      "[R2]\nPathOrigem=/z\n");
  CarregaConfigRepositorio(session_, "R1");
  CarregaConfigRepositorio(session_, "R2");
  EXPECT_EQ(session_.settings.SISTEMA, "");
  EXPECT_EQ(session_.settings.PathOrigem, "/z");
  EXPECT_EQ(session_.settings.PathDestino, "");
  EXPECT_EQ(session_.settings.ArqConfigIni, "");
}

TEST_F(StartupTest, ARepositoryWithALeadingBlankFindsItsSection) {
  Config("[R2]\nSISTEMA=abc\n");
  CarregaConfigRepositorio(session_, " R2");
  EXPECT_EQ(session_.repository, " R2");
  EXPECT_EQ(session_.settings.SISTEMA, "ABC");
}

TEST_F(StartupTest, TheEmptyEntryOrAMissingSectionGivesEmptySettings) {
  Config("[R1]\nSISTEMA=abc\n");
  CarregaConfigRepositorio(session_, "R1");
  CarregaConfigRepositorio(session_, "");
  EXPECT_EQ(session_.repository, "");
  EXPECT_EQ(session_.settings.SISTEMA, "");
  CarregaConfigRepositorio(session_, "NOPE");
  EXPECT_EQ(session_.settings.SISTEMA, "");
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(StartupTest, TheRepositoryKeysAreReadAfreshAtEveryPick) {
  Config("[R1]\nSISTEMA=old\n");
  CarregaConfigRepositorio(session_, "R1");
  Config("[R1]\nSISTEMA=new\n");
  CarregaConfigRepositorio(session_, "R1");
  EXPECT_EQ(session_.settings.SISTEMA, "NEW");
}

TEST_F(StartupTest, AGivenMainConfigurationFileReplacesTheDefaultName) {
  dir_.Write("etc/outro.ini", "[GERAL]\nREPOSITORIO=X\n");
  session_.main_config_file = dir_ / "etc/outro.ini";
  EXPECT_EQ(CarregaCombos(session_).repositories, Names{"X"});
}

// Restores the process's code page after a test that changes it.
class CodePageTest : public StartupTest {
 protected:
  void TearDown() override {
    std::string error;
    ASSERT_TRUE(text::SetSystemCodePage("windows-1252", &error)) << error;
  }
};

TEST_F(CodePageTest, NoCodePageKeyKeepsWindows1252) {
  Config("[GERAL]\nREPOSITORIO=R1\n");
  CodePageSetting setting = ApplyConfiguredCodePage(session_);
  EXPECT_EQ(setting.name, "");
  EXPECT_FALSE(setting.applied);
  EXPECT_EQ(setting.error, "");
  EXPECT_EQ(text::SystemCodePage().Decode("\xE9"), "\xC3\xA9");
}

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
