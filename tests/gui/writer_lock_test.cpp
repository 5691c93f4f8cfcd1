// "Gera Install" while another run writes the same package: the window shows
// why nothing was written and stays usable.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "gui/box_accepter.h"
#include "gui/form1.h"
#include "support/test_repository.h"

namespace vkt::gui {
namespace {

using testing::TestRepository;

TEST(GeraInstallWindow, AnotherWriterIsShownAndTheWindowStaysUsable) {
  TestRepository repo;
  repo.MainConfiguration(TestRepository::Paths::kAbsolute);
  repo.dir.MakeDir("out");
  platform::FolderLock other;
  ASSERT_TRUE(other.Acquire(repo.Path("out")).ok());

  Form1 form(repo.Path("prog"));
  form.show();
  auto* repos = form.findChild<QComboBox*>("CbRepos");
  auto* install = form.findChild<QPushButton*>("cmdExecuta1");
  repos->setCurrentIndex(0);
  emit repos->activated(0);
  BoxAccepter accepter(install);
  install->click();

  EXPECT_EQ(accepter.texts,
            std::vector<std::string>{"Outra execução está gravando em: " + repo.Path("out")});
  EXPECT_EQ(testing::FolderNames(repo.Path("out")), std::vector<std::string>());
  for (const char* name : {"cmdExecuta1", "cmdExecuta0", "CbRepos", "CbObj"}) {
    EXPECT_TRUE(form.findChild<QWidget*>(name)->isEnabled()) << name;
  }
}

}  // namespace
}  // namespace vkt::gui
