// The behaviour both windows share (app/form_logic.h) without a window.
#include "app/form_logic.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace vkt::app {
namespace {

using testing::TempDir;

TEST(FormLogic, ANewStartWithoutConfigurationSaysWhereItLookedAndOffersTheExample) {
  TempDir dir;
  dir.MakeDir("bin");
  dir.MakeDir("example");
  LookupEnvironment environment;
  environment.executable_folder = dir / "bin";
  environment.home = dir / "home";
  environment.xdg_config_dirs = dir / "etc";
  environment.app_data = dir / "appdata";
  environment.program_data = dir / "programdata";
  FormState state;
  const ExamplePlace example{dir / "example", false};
  const std::string resting = StartForm(state, environment, example);
  EXPECT_FALSE(state.configuration_found);
  EXPECT_EQ(state.session.program_folder, dir / "bin");
  EXPECT_EQ(resting, NotFoundMessage(FindMainConfiguration(environment)) + "\n\n" +
                         FirstStepsText(OfferExample(example, "")));
  EXPECT_EQ(StatusText(state), "Configuração: nenhuma (VKTGeraInstallBD.ini não encontrada)");
  state.home_folder = dir / "home";
  EXPECT_EQ(OpenDialogFolder(state), dir / "home");

  dir.Write("bin/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=A\n");
  EXPECT_EQ(StartForm(state, environment, example), "");
  EXPECT_TRUE(state.configuration_found);
  EXPECT_EQ(OpenDialogFolder(state), state.session.program_folder);
  EXPECT_EQ(StatusText(state), "Configuração: " + state.session.MainConfigPath());
}

// The run yields to the window's events: a second press then is not a
// second run.
TEST(FormLogic, APressDuringARunIsIgnored) {
  FormState state;
  state.running = true;
  int calls = 0;
  PressButton(state, 1, "TODOS", "A", [&calls](bool) { ++calls; });
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(state.running);
}

}  // namespace
}  // namespace vkt::app
