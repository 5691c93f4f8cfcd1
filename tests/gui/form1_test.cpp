#include "gui/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vkt::gui {
namespace {

using testing::TempDir;

const char kMainConfiguration[] =
    "[GERAL]\r\n"
    "REPOSITORIO=Producao,,Homologacao, Teste\r\n"
    "\r\n"
    "[PRODUCAO]\r\n"
    "SISTEMA= xyz \r\n"
    "PathOrigem=D:\\Repositorio\\Fontes\r\n"
    "PathDestino=D:\\Saida\r\n"
    "ArqConfigIni=D:\\Repositorio\\Lista.ini\r\n"
    "[Teste]\r\n"
    "SISTEMA=Z7Q\r\n"
    "PathOrigem=/srv/teste\r\n";

// Records every box with the state of the window's controls at that moment.
struct BoxProbe final : MessageBoxService {
  struct Shown {
    std::string text, title;
    BoxIcon icon;
    bool install_enabled, numbering_enabled, repos_enabled, obj_enabled;
    bool close_accepted;
  };
  explicit BoxProbe(Form1* form) : form(form) {}
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override {
    auto enabled = [this](const char* name) {
      return form->findChild<QWidget*>(name)->isEnabled();
    };
    shown.push_back({std::string(text), std::string(title), icon, enabled("cmdExecuta1"),
                     enabled("cmdExecuta0"), enabled("CbRepos"), enabled("CbObj"), form->close()});
  }
  Form1* form;
  std::vector<Shown> shown;
};

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() {
    dir_.Write("VKTGeraInstallBD.ini", kMainConfiguration);
    form_ = std::make_unique<Form1>(dir_.path());
  }
  template <typename T>
  T* Child(const char* name) {
    T* child = form_->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  // What the user does when picking an entry of a list.
  void Pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }

  TempDir dir_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Form1Test, ARunDisablesBothButtonsAndListsUntilItEnds) {
  Pick(Child<QComboBox>("CbRepos"), 0);
  BoxProbe probe(form_.get());
  DesktopServices services = Desktop();
  services.boxes = &probe;
  ScopedDesktop scope(services);
  Child<QPushButton>("cmdExecuta1")->click();
  ASSERT_EQ(probe.shown.size(), 1u);
  EXPECT_EQ(probe.shown[0].text, "FIM");
  EXPECT_FALSE(probe.shown[0].install_enabled);
  EXPECT_FALSE(probe.shown[0].numbering_enabled);
  EXPECT_FALSE(probe.shown[0].repos_enabled);
  EXPECT_FALSE(probe.shown[0].obj_enabled);
  EXPECT_FALSE(probe.shown[0].close_accepted);
  for (const char* name : {"cmdExecuta1", "cmdExecuta0", "CbRepos", "CbObj"}) {
    EXPECT_TRUE(Child<QWidget>(name)->isEnabled()) << name;
  }
}

// The box the window shows while `action` runs, closed with OK.
struct ShownBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool seen = false;
};
template <typename Action>
ShownBox CloseNextBox(Action action) {
  ShownBox shown;
  QTimer::singleShot(0, [&shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    shown = {box->windowTitle(), box->text(), box->icon(), true};
    box->accept();
  });
  action();
  return shown;
}

TEST(Form1Start, AnUnusableCodePageIsReportedInACriticalBox) {
  TempDir dir;
  dir.Write("VKTGeraInstallBD.ini", "[GERAL]\nCodePage=klingon\nREPOSITORIO=A,B\n");
  std::unique_ptr<Form1> form;
  ShownBox box = CloseNextBox([&] { form = std::make_unique<Form1>(dir.path()); });
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.title, "VKTGeraInstallBD");
  EXPECT_EQ(box.text, "CodePage desconhecido no arquivo ini: klingon\nUsando: windows-1252");
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(form->findChild<QComboBox*>("CbRepos")->count(), 2);
}

TEST(Form1Start, GeraInstallWithoutARepositoryShowsTheBoxWithoutIcon) {
  TempDir dir;
  Form1 form(dir.path());
  form.findChild<QPlainTextEdit*>("txmens")->setPlainText("old run");
  ShownBox box = CloseNextBox([&] { form.findChild<QPushButton*>("cmdExecuta1")->click(); });
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.title, "VKTGeraInstallBD");
  EXPECT_EQ(box.text, "Selecione o Repositorio!!!");
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(form.findChild<QPlainTextEdit*>("txmens")->toPlainText(), "");
}

}  // namespace
}  // namespace vkt::gui

int main(int argc, char** argv) {
  // The window's tests run offscreen, also when the build lists them (test
  // discovery runs this program without the test environment).
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
