#include "app/config_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "app/startup.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::app {
namespace {

using testing::TempDir;

// Every place of the lookup inside one temporary folder, by `rules`; the
// places of the other rules are set too, and ignored.
class LookupTest : public ::testing::Test {
 protected:
  explicit LookupTest(LookupRules rules) {
    env_.rules = rules;
    env_.executable_folder = dir_ / "bin";
    env_.current_directory = dir_ / "cwd";
    env_.home = dir_ / "home";
    env_.xdg_config_dirs = dir_ / "etc1:relative:" + (dir_ / "etc2");
    env_.app_data = dir_ / "Roaming";
    env_.program_data = dir_ / "ProgramData";
  }
  std::string Found() {
    const ConfigLookup lookup = FindMainConfiguration(env_);
    return lookup.found ? lookup.place.file : "(none)";
  }

  TempDir dir_;
  LookupEnvironment env_;
};

// By the XDG rules (both builds can follow either set of rules; each follows
// its own).
class ConfigLookupTest : public LookupTest {
 protected:
  ConfigLookupTest() : LookupTest(LookupRules::kXdg) {
    env_.remembered = dir_ / "chosen/escolhida.ini";
  }
};

TEST_F(ConfigLookupTest, TheConfigOptionWinsAsGivenEvenWhenMissing) {
  dir_.Write("bin/VKTGeraInstallBD.ini", "");
  env_.config_option = "sub/outra.ini";
  const ConfigLookup lookup = FindMainConfiguration(env_);
  EXPECT_TRUE(lookup.found);
  EXPECT_EQ(lookup.place.source, ConfigSource::kOption);
  EXPECT_EQ(lookup.place.file, dir_ / "cwd/sub/outra.ini");
  env_.config_option = "/abs/outra.ini";
  EXPECT_EQ(Found(), "/abs/outra.ini");
}

TEST_F(ConfigLookupTest, AFolderGivenForTheFileNamesTheFileInside) {
  dir_.Write("conf/vktgerainstallbd.ini", "[GERAL]\n");
  dir_.MakeDir("empty");
  // Found in any letter case; named as the lookup names it.
  EXPECT_EQ(MainConfigurationInside(LookupRules::kXdg, dir_ / "conf"),
            dir_ / "conf/VKTGeraInstallBD.ini");
  EXPECT_EQ(MainConfigurationInside(LookupRules::kXdg, dir_ / "empty"), "");
  EXPECT_EQ(MainConfigurationInside(LookupRules::kXdg, dir_ / "conf/vktgerainstallbd.ini"), "");
}

#ifndef _WIN32  // the XDG places are POSIX paths (absolute from "/")
TEST_F(ConfigLookupTest, TheConfigOptionLosesItsDotsAsItWouldBeWritten) {
  // Neither folder exists: the text decides.
  env_.config_option = "./../conf/./sub/../outra.ini";
  EXPECT_EQ(Found(), dir_ / "conf/outra.ini");
  env_.config_option = "/../a//./b/../outra.ini";
  EXPECT_EQ(Found(), "/a/outra.ini");
}

TEST_F(ConfigLookupTest, TheFirstPlaceThatHasTheFileWins) {
  // In lookup order; each step removes the file that won the step before.
  const std::string places[] = {
      "chosen/escolhida.ini",
      "bin/VKTGeraInstallBD.ini",
      "home/.config/vktgerainstallbd/VKTGeraInstallBD.ini",
      "etc1/vktgerainstallbd/VKTGeraInstallBD.ini",
      "etc2/vktgerainstallbd/VKTGeraInstallBD.ini",
  };
  for (const std::string& place : places) dir_.Write(place, "[GERAL]\n");
  for (const std::string& place : places) {
    EXPECT_EQ(Found(), dir_ / place);
    std::filesystem::remove(dir_ / place);
  }
  EXPECT_EQ(Found(), "(none)");
  // $XDG_CONFIG_HOME replaces the home folder; the name in any letter case.
  dir_.Write("home/.config/vktgerainstallbd/VKTGeraInstallBD.ini", "");
  dir_.Write("xdg/vktgerainstallbd/vktgerainstallbd.INI", "");
  env_.xdg_config_home = dir_ / "xdg";
  EXPECT_EQ(Found(), dir_ / "xdg/vktgerainstallbd/VKTGeraInstallBD.ini");
}

TEST_F(ConfigLookupTest, NothingFoundNamesEveryPlaceLookedAt) {
  env_.xdg_config_dirs.clear();  // the default, /etc/xdg
  const ConfigLookup lookup = FindMainConfiguration(env_);
  ASSERT_FALSE(lookup.found);
  EXPECT_EQ(NotFoundMessage(lookup),
            "Configura\xC3\xA7\xC3\xA3o principal VKTGeraInstallBD.ini n\xC3\xA3o encontrada. "
            "Procurada em:\n  " +
                dir_.path() +
                "/chosen/escolhida.ini (escolhida em Abrir configura\xC3\xA7\xC3\xA3o)\n  " +
                dir_.path() + "/bin/VKTGeraInstallBD.ini (pasta do programa)\n  " + dir_.path() +
                "/home/.config/vktgerainstallbd/VKTGeraInstallBD.ini ($XDG_CONFIG_HOME)\n"
                "  /etc/xdg/vktgerainstallbd/VKTGeraInstallBD.ini ($XDG_CONFIG_DIRS)");
}
#endif

// By Windows' rules: %APPDATA%, then %PROGRAMDATA%, joined with "\\".
class WindowsConfigLookupTest : public LookupTest {
 protected:
  WindowsConfigLookupTest() : LookupTest(LookupRules::kWindows) {}
};

TEST_F(WindowsConfigLookupTest, TheExecutablesFolderThenAppDataThenProgramData) {
  dir_.Write("home/.config/vktgerainstallbd/VKTGeraInstallBD.ini", "");
  dir_.Write("etc1/vktgerainstallbd/VKTGeraInstallBD.ini", "");
  // In lookup order, as written and as found.
  const std::pair<const char*, const char*> places[] = {
      {"bin/VKTGeraInstallBD.ini", "bin\\VKTGeraInstallBD.ini"},
      {"Roaming/VKTGeraInstallBD/VKTGeraInstallBD.ini",
       "Roaming\\VKTGeraInstallBD\\VKTGeraInstallBD.ini"},
      {"ProgramData/VKTGeraInstallBD/VKTGeraInstallBD.ini",
       "ProgramData\\VKTGeraInstallBD\\VKTGeraInstallBD.ini"},
  };
  for (const auto& place : places) dir_.Write(place.first, "[GERAL]\n");
  for (const auto& [place, found_as] : places) {
    EXPECT_EQ(Found(), dir_ / found_as);
    std::filesystem::remove(dir_ / place);
  }
  EXPECT_EQ(Found(), "(none)");
  // A variable that is not set, or not absolute, names no place.
  dir_.Write("ProgramData/VKTGeraInstallBD/VKTGeraInstallBD.ini", "");
  env_.app_data.clear();
  env_.program_data = "ProgramData";
  EXPECT_EQ(Found(), "(none)");
}

// A drive prefix makes the option absolute; dots go, but never the root.
// The XDG rules take a drive prefix for a relative name.
TEST_F(WindowsConfigLookupTest, TheConfigOptionIsMadeAbsoluteAndLosesItsDotsButNeverItsRoot) {
  const struct {
    LookupRules rules;
    const char *current, *option, *found;
  } rows[] = {
      {LookupRules::kWindows, "C:\\Users\\ana", "sub\\outra.ini", "C:\\Users\\ana\\sub\\outra.ini"},
      {LookupRules::kWindows, "C:\\Users\\ana", "D:\\VKT\\VKTGeraInstallBD.ini",
       "D:\\VKT\\VKTGeraInstallBD.ini"},
      {LookupRules::kWindows, "C:\\Users\\ana", "d:outra.ini", "d:outra.ini"},
      {LookupRules::kWindows, "C:\\Users\\ana", "\\\\server\\share\\VKTGeraInstallBD.ini",
       "\\\\server\\share\\VKTGeraInstallBD.ini"},
      {LookupRules::kXdg, "/home/ana", "D:\\VKT.ini", "/home/ana/D:\\VKT.ini"},
      {LookupRules::kWindows, "C:\\Users\\ana\\work", "..\\conf/.\\VKT.ini",
       "C:\\Users\\ana\\conf\\VKT.ini"},
      {LookupRules::kWindows, "C:\\Users\\ana\\work", "C:\\..\\..\\VKT.ini", "C:\\VKT.ini"},
      {LookupRules::kWindows, "C:\\Users\\ana\\work", "\\\\server\\share\\a\\..\\..\\VKT.ini",
       "\\\\server\\share\\VKT.ini"},
  };
  for (const auto& row : rows) {
    env_.rules = row.rules;
    env_.current_directory = row.current;
    env_.config_option = row.option;
    EXPECT_EQ(Found(), row.found) << row.option;
  }
}

TEST_F(WindowsConfigLookupTest, NothingFoundNamesEveryPlaceLookedAt) {
  env_.executable_folder = "C:\\Programas\\VKT";
  env_.app_data = "C:\\Users\\ana\\AppData\\Roaming";
  env_.program_data = "C:\\ProgramData";
  const ConfigLookup lookup = FindMainConfiguration(env_);
  ASSERT_FALSE(lookup.found);
  EXPECT_EQ(NotFoundMessage(lookup),
            "Configura\xC3\xA7\xC3\xA3o principal VKTGeraInstallBD.ini n\xC3\xA3o encontrada. "
            "Procurada em:\n"
            "  C:\\Programas\\VKT\\VKTGeraInstallBD.ini (pasta do programa)\n"
            "  C:\\Users\\ana\\AppData\\Roaming\\VKTGeraInstallBD\\VKTGeraInstallBD.ini "
            "(%APPDATA%)\n"
            "  C:\\ProgramData\\VKTGeraInstallBD\\VKTGeraInstallBD.ini (%PROGRAMDATA%)");
}

TEST(PathFromConfigurationFolder, JoinsRelativePathsToTheFolderAndLeavesTheRest) {
  struct Row {
    const char* folder;
    const char* path;
    const char* used;
  };
  const Row rows[] = {
      {"/home/ana/pedidos", "pacote", "/home/ana/pedidos%pacote"},
      {"/home/ana/pedidos", "repositorio\\ArquivosInstalacao.ini",
       "/home/ana/pedidos%repositorio\\ArquivosInstalacao.ini"},
      {"/home/ana/pedidos", "..\\..\\build\\pacote", "/home/ana/pedidos%..\\..\\build\\pacote"},
      {"/home/ana/pedidos", "./Repositorio", "/home/ana/pedidos%./Repositorio"},
      {"/home/ana/pedidos/", "pacote", "/home/ana/pedidos/pacote"},
      {"D:\\VKT\\", "pacote", "D:\\VKT\\pacote"},
      {"/", "pacote", "/pacote"},
      {"/home/ana/pedidos", "/srv/pacote", "/srv/pacote"},
      {"/home/ana/pedidos", "\\srv\\pacote", "\\srv\\pacote"},
      {"/home/ana/pedidos", "D:\\pacote", "D:\\pacote"},
      {"/home/ana/pedidos", "c:pacote", "c:pacote"},
      {"/home/ana/pedidos", "", ""},
      {"", "pacote", "pacote"},
  };
  for (const Row& row : rows) {
    // "%": the system's separator, which joins.
    std::string used = row.used;
    std::replace(used.begin(), used.end(), '%', platform::kPathSeparator);
    EXPECT_EQ(PathFromConfigurationFolder(row.folder, row.path), used)
        << row.folder << " + " << row.path;
  }
}

// The folder of the main configuration holds the docs, and relative paths
// lead from it.
TEST(CarregaConfigRepositorio, TakesRelativePathsFromTheConfigurationsFolder) {
  TempDir dir;
  dir.Write("conf/VKTGeraInstallBD.ini",
            "[GERAL]\r\nREPOSITORIO=R1\r\n[R1]\r\nSISTEMA=xyz\r\nPathOrigem=repositorio\r\n"
            "PathDestino=/srv/pacote\r\nArqConfigIni=..\\listas\\R1.ini\r\n");
  Session session;
  UseMainConfiguration(session, "/top.ini");
  EXPECT_EQ(session.program_folder, "/");
  UseMainConfiguration(session, dir / "conf/VKTGeraInstallBD.ini");
  EXPECT_EQ(session.program_folder, dir / "conf");
  EXPECT_EQ(session.MainConfigPath(), dir / "conf/VKTGeraInstallBD.ini");
  CarregaConfigRepositorio(session, "R1");
  EXPECT_EQ(session.settings.SISTEMA, "XYZ");
  const std::string conf = dir / "conf" + platform::kPathSeparator;
  EXPECT_EQ(session.settings.PathOrigem, conf + "repositorio");
  EXPECT_EQ(session.settings.PathDestino, "/srv/pacote");
  EXPECT_EQ(session.settings.ArqConfigIni, conf + "..\\listas\\R1.ini");
}

}  // namespace
}  // namespace vkt::app
