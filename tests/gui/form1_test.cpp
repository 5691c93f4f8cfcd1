#include "gui/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/startup.h"
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
  std::vector<std::string> Items(QComboBox* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
    return items;
  }
  // What the user does when picking an entry of a list.
  void Pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }

  TempDir dir_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Form1Test, StartUpListsTheObjectTypesWithTodosSelected) {
  auto* cb_obj = Child<QComboBox>("CbObj");
  // The keywords themselves are pinned at start-up (app/startup_test).
  const std::vector<std::string> expected(app::kObjectTypes.begin(), app::kObjectTypes.end());
  EXPECT_EQ(Items(cb_obj), expected);
  EXPECT_EQ(cb_obj->currentIndex(), 0);
  EXPECT_EQ(cb_obj->currentText(), "TODOS");
  EXPECT_FALSE(cb_obj->isEditable());
}

TEST_F(Form1Test, StartUpListsTheRepositoriesWithNoneSelected) {
  auto* cb_repos = Child<QComboBox>("CbRepos");
  EXPECT_EQ(Items(cb_repos), (std::vector<std::string>{"Producao", "", "Homologacao", " Teste"}));
  EXPECT_EQ(cb_repos->currentIndex(), -1);
  EXPECT_FALSE(cb_repos->isEditable());
  EXPECT_EQ(form_->session().settings.SISTEMA, "");
}

TEST_F(Form1Test, PickingARepositoryLoadsItsFourSettings) {
  auto* cb_repos = Child<QComboBox>("CbRepos");
  Pick(cb_repos, 0);
  const app::RepositorySettings& settings = form_->session().settings;
  EXPECT_EQ(form_->session().repository, "Producao");
  EXPECT_EQ(settings.SISTEMA, "XYZ");
  EXPECT_EQ(settings.PathOrigem, "D:\\Repositorio\\Fontes");
  EXPECT_EQ(settings.PathDestino, "D:\\Saida");
  EXPECT_EQ(settings.ArqConfigIni, "D:\\Repositorio\\Lista.ini");

  Pick(cb_repos, 3);  // " Teste": the leading blank stays, the section is found
  EXPECT_EQ(form_->session().repository, " Teste");
  EXPECT_EQ(settings.SISTEMA, "Z7Q");
  EXPECT_EQ(settings.PathOrigem, "/srv/teste");
  EXPECT_EQ(settings.PathDestino, "");
  EXPECT_EQ(settings.ArqConfigIni, "");

  Pick(cb_repos, 1);  // the empty entry
  EXPECT_EQ(form_->session().repository, "");
  EXPECT_EQ(settings.SISTEMA, "");
  EXPECT_EQ(settings.PathOrigem, "");
}

TEST_F(Form1Test, TheMenuItemRevealsGeraNumeracao) {
  auto* numbering = Child<QPushButton>("cmdExecuta0");
  auto* install = Child<QPushButton>("cmdExecuta1");
  form_->show();
  EXPECT_FALSE(numbering->isVisible());
  EXPECT_TRUE(install->isVisible());
  auto* item = Child<QAction>("MnuHabNumeracao");
  EXPECT_EQ(item->text(), QString::fromUtf8("Habilita Numeração"));
  EXPECT_FALSE(item->isCheckable());
  item->trigger();
  EXPECT_TRUE(numbering->isVisible());
  EXPECT_EQ(numbering->text(), QString::fromUtf8("Gera Numeração"));
  item->trigger();
  EXPECT_TRUE(numbering->isVisible());
}

TEST_F(Form1Test, ControlsHaveTheirCaptionsPlacesAndFonts) {
  EXPECT_EQ(form_->windowTitle(), QString::fromUtf8("Geração de Scripts de Instalação"));
  EXPECT_EQ(Child<QLabel>("lblVersao")->text(), QString::fromUtf8("Versão 3.3.0"));
  EXPECT_EQ(Child<QLabel>("Label1_1")->text(), QString::fromUtf8("Repositório"));
  EXPECT_EQ(Child<QLabel>("Label1_0")->text(), "Tipo do Objeto");
  EXPECT_EQ(Child<QLabel>("lblLendoOrigem")->text(), QString::fromUtf8("Diretório Origem:"));
  EXPECT_EQ(Child<QLabel>("lblLendoDestino")->text(), QString::fromUtf8("Diretório Destino:"));
  EXPECT_EQ(Child<QLabel>("lblConfigUtilizado")->text(), "");
  EXPECT_EQ(Child<QWidget>("client")->size(), QSize(736, 536));
  EXPECT_EQ(Child<QWidget>("CbRepos")->geometry(), QRect(11, 40, 367, 21));
  EXPECT_EQ(Child<QWidget>("cmdExecuta1")->geometry(), QRect(424, 40, 100, 33));
  EXPECT_EQ(Child<QWidget>("cmdExecuta0")->geometry(), QRect(536, 40, 100, 33));
  EXPECT_EQ(Child<QWidget>("txmens")->geometry(), QRect(11, 232, 710, 289));
  QFont button = Child<QWidget>("cmdExecuta1")->font();
  EXPECT_TRUE(button.bold());
  EXPECT_DOUBLE_EQ(button.pointSizeF(), 9.75);
  QFont version = Child<QWidget>("lblVersao")->font();
  EXPECT_TRUE(version.bold());
  EXPECT_DOUBLE_EQ(version.pointSizeF(), 8.25);
  EXPECT_FALSE(Child<QWidget>("lblLendoOrigem")->font().bold());
  EXPECT_FALSE(QFontInfo(version).fixedPitch());
  EXPECT_TRUE(Child<QPlainTextEdit>("txmens")->isReadOnly());
  // Whatever face stands in for "MS Sans Serif", fixed captions are not cut.
  for (const char* name :
       {"Label1_1", "Label1_0", "lblLendoOrigem", "lblLendoDestino", "lblVersao"}) {
    auto* label = Child<QLabel>(name);
    EXPECT_GE(label->width(), label->sizeHint().width()) << name;
  }
}

TEST_F(Form1Test, TheMessageAreaShowsCrAndCrLfAsLineBreaks) {
  Desktop().view->SetMessageText("\r\nfirst\rsecond\r\nthird");
  EXPECT_EQ(Child<QPlainTextEdit>("txmens")->toPlainText(), "\nfirst\nsecond\nthird");
  Desktop().view->SetCaption(Caption::kDiretorioDestino, "D:/Saida/ORACLE");
  EXPECT_EQ(Child<QLabel>("lblDiretorioDestino")->text(), "D:/Saida/ORACLE");
}

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

TEST_F(Form1Test, AMissingMainConfigurationGivesAnEmptyRepositoryList) {
  TempDir empty;
  Form1 form(empty.path());
  EXPECT_EQ(form.findChild<QComboBox*>("CbRepos")->count(), 0);
  EXPECT_EQ(form.findChild<QComboBox*>("CbObj")->count(), 19);
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

// Saves the window as it looks after picking a repository to the file named by
// VKT_WINDOW_PNG (used to refresh docs/window.png); does nothing otherwise.
TEST_F(Form1Test, GrabsTheWindow) {
  Pick(Child<QComboBox>("CbRepos"), 0);
  form_->show();
  QPixmap picture = form_->grab();
  EXPECT_GE(picture.width(), 736);
  EXPECT_GE(picture.height(), 536);
  if (const char* path = std::getenv("VKT_WINDOW_PNG")) {
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
  }
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
