// "Gera Numeração" in the window, offscreen: revealed by the menu item, it
// lists the object type's folder as FILEn lines in the message area.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "gui/box_accepter.h"
#include "gui/form1.h"
#include "support/test_repository.h"

namespace vkt::gui {
namespace {

using testing::TestRepository;

TEST(GeraNumeracaoWindow, MenuRevealsTheButtonWhichShowsTheFileLines) {
  TestRepository repo;
  repo.MainConfiguration(TestRepository::Paths::kAbsolute);
  repo.Source("Tabelas/CRIA_B.ora", "b");
  repo.Source("Tabelas/cria_a.ora", "a");
  repo.Source("Tabelas/CRIA_A.sql", "a");
  repo.Source("Tabelas/LEIAME.txt", "doc");

  Form1 form(repo.Path("prog"));
  form.show();
  auto* numbering = form.findChild<QPushButton*>("cmdExecuta0");
  auto* menu_item = form.findChild<QAction*>("MnuHabNumeracao");
  auto* repos = form.findChild<QComboBox*>("CbRepos");
  auto* types = form.findChild<QComboBox*>("CbObj");
  ASSERT_NE(numbering, nullptr);
  ASSERT_NE(menu_item, nullptr);
  EXPECT_FALSE(numbering->isVisible());
  menu_item->trigger();
  EXPECT_TRUE(numbering->isVisible());

  repos->setCurrentIndex(0);
  emit repos->activated(0);
  types->setCurrentIndex(types->findText("TABELAS"));
  BoxAccepter accepter(form.findChild<QPushButton*>("cmdExecuta1"));
  numbering->click();

  EXPECT_EQ(accepter.texts, std::vector<std::string>{"FIM"});
  // NTFS order: cria_a.ora, CRIA_A.sql, CRIA_B.ora, LEIAME.txt; the pair
  // collapses into the first spelling met.
  EXPECT_EQ(form.findChild<QPlainTextEdit*>("txmens")->toPlainText().toStdString(),
            "\nFILE1=cria_a\nFILE2=CRIA_B\nFILE3=LEIAME");
  EXPECT_FALSE(repo.OutputExists("ORACLE"));
  EXPECT_TRUE(numbering->isEnabled());
}

}  // namespace
}  // namespace vkt::gui
