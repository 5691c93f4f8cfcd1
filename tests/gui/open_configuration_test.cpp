// Which main configuration the window reads: the lookup at start-up, the
// menu item "Abrir configuração…" and the choice it remembers.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTimer>
#include <string>
#include <vector>

#include "app/config_lookup.h"
#include "gui/form1.h"
#include "support/temp_dir.h"

namespace vkt::gui {
namespace {

using testing::TempDir;

std::vector<std::string> Items(const QComboBox* list) {
  std::vector<std::string> items;
  items.reserve(list->count());
  for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
  return items;
}

class OpenConfigurationTest : public ::testing::Test {
 protected:
  OpenConfigurationTest()
      : settings_(QString::fromStdString(dir_ / "window.conf"), QSettings::IniFormat) {
    dir_.Write("bin/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=A1\n[A1]\nSISTEMA=a\n");
    dir_.Write("outra/Escolhida.ini", "[GERAL]\nREPOSITORIO=B1,B2\n");
    env_.executable_folder = dir_ / "bin";
    env_.home = dir_ / "home";
    env_.xdg_config_dirs = dir_ / "etc";
  }
  std::unique_ptr<Form1> Start() { return std::make_unique<Form1>(env_, &settings_); }
  static QString Status(const Form1& form) {
    return form.findChild<QLabel*>("lblConfiguracao")->text();
  }

  TempDir dir_;
  QSettings settings_;
  app::LookupEnvironment env_;
};

TEST_F(OpenConfigurationTest, CtrlOPicksAFileReloadsBothListsAndIsRememberedAtTheNextStart) {
  std::unique_ptr<Form1> form = Start();
  auto* repos = form->findChild<QComboBox*>("CbRepos");
  auto* types = form->findChild<QComboBox*>("CbObj");
  EXPECT_EQ(Items(repos), (std::vector<std::string>{"A1"}));
  EXPECT_EQ(Status(*form),
            QString::fromStdString("Configuração: " + (dir_ / "bin/VKTGeraInstallBD.ini")));
  repos->setCurrentIndex(0);
  emit repos->activated(0);
  types->setCurrentIndex(3);
  form->findChild<QPlainTextEdit*>("txmens")->setPlainText("old run");

  auto* action = form->findChild<QAction*>("MnuAbrirConfiguracao");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->text(), QString::fromUtf8("Abrir configuração…"));
  EXPECT_EQ(action->shortcut(), QKeySequence("Ctrl+O"));
  const std::string chosen = dir_ / "outra/Escolhida.ini";
  QTimer::singleShot(0, [&chosen] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QString::fromStdString(chosen));
    static_cast<QDialog*>(dialog)->accept();  // as the "Open" button does
  });
  action->trigger();

  EXPECT_EQ(Items(repos), (std::vector<std::string>{"B1", "B2"}));
  EXPECT_EQ(repos->currentIndex(), -1);
  EXPECT_EQ(types->count(), 19);
  EXPECT_EQ(types->currentIndex(), 0);
  EXPECT_EQ(form->session().settings.SISTEMA, "");
  EXPECT_EQ(form->session().program_folder, dir_ / "outra");
  EXPECT_EQ(form->findChild<QPlainTextEdit*>("txmens")->toPlainText(), "");
  EXPECT_EQ(Status(*form), QString::fromStdString("Configuração: " + chosen));
  EXPECT_EQ(settings_.value(Form1::kRememberedKey).toString().toStdString(), chosen);

  form = Start();
  EXPECT_EQ(Items(form->findChild<QComboBox*>("CbRepos")), (std::vector<std::string>{"B1", "B2"}));
  env_.config_option = dir_ / "bin/VKTGeraInstallBD.ini";  // --config comes first
  form = Start();
  EXPECT_EQ(Items(form->findChild<QComboBox*>("CbRepos")), (std::vector<std::string>{"A1"}));
}

TEST_F(OpenConfigurationTest, NothingFoundIsSaidInTheMessageArea) {
  env_.executable_folder = dir_ / "elsewhere";
  std::unique_ptr<Form1> form = Start();
  const std::string expected = app::NotFoundMessage(app::FindMainConfiguration(env_));
  EXPECT_EQ(form->findChild<QPlainTextEdit*>("txmens")->toPlainText().toStdString(), expected);
  EXPECT_NE(expected.find(dir_ / "home/.config/vktgerainstallbd/VKTGeraInstallBD.ini"),
            std::string::npos);
  EXPECT_EQ(Status(*form),
            QString::fromUtf8("Configuração: nenhuma (VKTGeraInstallBD.ini não encontrada)"));
  EXPECT_EQ(form->findChild<QComboBox*>("CbRepos")->count(), 0);
}

}  // namespace
}  // namespace vkt::gui
