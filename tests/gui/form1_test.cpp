// The window, offscreen: its start-up, "Abrir configuração…" and both buttons
// with the real handlers and the real message boxes, pressed OK as a user
// would.
#include "gui/form1.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/config_lookup.h"
#include "app/first_start.h"
#include "app/form_expectations.h"
#include "app/startup.h"
#include "fs/platform/file_system.h"
#include "support/test_repository.h"

namespace vkt::gui {
namespace {

using testing::TempDir;
using testing::TestRepository;
using Texts = std::vector<std::string>;

template <typename T = QWidget>
T* Child(const QWidget& form, const char* name) {
  T* child = form.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

std::string Label(const Form1& form, const char* name) {
  return Child<QLabel>(form, name)->text().toStdString();
}

std::string Messages(const Form1& form) {
  return Child<QPlainTextEdit>(form, "txmens")->toPlainText().toStdString();
}

Texts Items(const Form1& form) {
  Texts items;
  auto* list = Child<QComboBox>(form, "CbRepos");
  for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
  return items;
}

// "1" for each of the controls a run disables that is enabled.
std::string Enabled(const QWidget& form) {
  std::string flags;
  for (app::FormControl control : app::kControlsOffDuringRun) {
    const std::string name(app::Designed(control).name);
    flags += Child(form, name.c_str())->isEnabled() ? "1" : "0";
  }
  return flags;
}

// What the user does when picking an entry of a list.
void Pick(const QWidget& form, const char* list_name, const QString& entry) {
  auto* list = Child<QComboBox>(form, list_name);
  list->setCurrentIndex(list->findText(entry));
  emit list->activated(list->currentIndex());
}

// Presses OK on every message box the window opens while it lives and notes
// each as "title | text [| critical] | enabled controls", and whether the
// window refused to close at that moment of a run; `areas` gets the text of
// the window's message area at each box.
class Boxes {
 public:
  Boxes() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      std::string seen = box->windowTitle().toStdString() + " | " + box->text().toStdString();
      if (box->icon() == QMessageBox::Critical) seen += " | critical";
      if (auto* form = qobject_cast<Form1*>(box->parentWidget())) {
        seen += " | " + Enabled(*form);
        areas.push_back(Messages(*form));
        if (form->running()) seen += form->close() ? " | closed mid-run" : " | stays open";
      }
      shown.push_back(seen);
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(0);
  }
  Texts shown;
  Texts areas;

 private:
  QTimer timer_;
};

TEST(Form1Start, AnUnusableCodePageIsShownAndGeraInstallAsksForARepository) {
  TempDir dir;
  dir.Write("VKTGeraInstallBD.ini", "[GERAL]\nCodePage=klingon\nREPOSITORIO=A,B\n");
  Boxes boxes;
  Form1 form(dir.path());
  Child<QPlainTextEdit>(form, "txmens")->setPlainText("old run");
  Child<QPushButton>(form, "cmdExecuta1")->click();
  EXPECT_EQ(boxes.shown, (Texts{"VKTGeraInstallBD | CodePage desconhecido no arquivo ini: "
                                "klingon\nUsando: windows-1252 | critical | " +
                                    form_expectations::kEnabled,
                                form_expectations::kAskForRepository}));
  EXPECT_EQ(Items(form), (Texts{"A", "B"}));
  EXPECT_EQ(Messages(form), "");
}

// Started with its boxes recorded (--quit-after-start), a window whose
// configuration cannot be read comes up without waiting for anyone.
TEST(Form1Start, RecordedBoxesAreNotShownAndMakeTheStartFail) {
  TempDir dir;
  dir.MakeDir("VKTGeraInstallBD.ini");
  app::LookupEnvironment env;
  env.config_option = dir / "VKTGeraInstallBD.ini";
  env.executable_folder = dir.path();
  Boxes boxes;
  Form1 form(env, nullptr, Form1::Boxes::kRecorded);
  EXPECT_EQ(boxes.shown, Texts{});
  EXPECT_EQ(form.recorded_boxes(),
            Texts{"Initialization File Error: Error Number: 1001\r\nError Description: " +
                  (dir / "VKTGeraInstallBD.ini") + " - não é um arquivo comum"});
  EXPECT_EQ(app::QuitAfterStartStatus(form.ConfigurationFound(), form.recorded_boxes().size()), 1);
}

// Two windows of one process, each with the code page its configuration
// names (none: Windows-1252), also after "Abrir configuração…".
TEST(Form1Start, EachWindowReadsInTheCodePageOfItsOwnConfiguration) {
  TempDir dir;
  dir.Write("utf8/VKTGeraInstallBD.ini",
            "[GERAL]\r\nCodePage=UTF-8\r\nREPOSITORIO=Produ\xC3\xA7\xC3\xA3o\r\n"
            "[Produ\xC3\xA7\xC3\xA3o]\r\nSISTEMA=a\xC3\xA7\xC3\xA3o\r\n");
  dir.Write("ansi/VKTGeraInstallBD.ini",
            "[GERAL]\r\nREPOSITORIO=Produ\xE7\xE3o\r\n[Produ\xE7\xE3o]\r\nSISTEMA=a\xE7\xE3o\r\n");
  Form1 utf8(dir / "utf8");
  Form1 ansi(dir / "ansi");
  // Each window reads its list and its repository's system as written.
  const auto reads_as_written = [](std::initializer_list<Form1*> forms) {
    for (Form1* form : forms) {
      EXPECT_EQ(Items(*form), Texts{"Produção"});
      Pick(*form, "CbRepos", QString::fromUtf8("Produção"));
      EXPECT_EQ(form->session().settings.SISTEMA, "AÇÃO");
    }
  };
  reads_as_written({&utf8, &ansi, &utf8});
  EXPECT_EQ(utf8.session().general.code_page->name(), "UTF-8");
  EXPECT_EQ(ansi.session().general.code_page->name(), "windows-1252");
  utf8.OpenConfiguration(dir / "ansi/VKTGeraInstallBD.ini");
  ansi.OpenConfiguration(dir / "utf8/VKTGeraInstallBD.ini");
  reads_as_written({&utf8, &ansi});
  EXPECT_EQ(utf8.session().general.code_page->name(), "windows-1252");
  EXPECT_EQ(ansi.session().general.code_page->name(), "UTF-8");
}

// "name left,top width×height" of each control of the client area but the
// message area.
Texts Placed(const QWidget& form) {
  Texts placed;
  for (const QWidget* control :
       Child(form, "client")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->objectName() == "txmens") continue;
    const QRect r = control->geometry();
    placed.push_back(control->objectName().toStdString() + " " + std::to_string(r.x()) + "," +
                     std::to_string(r.y()) + " " + std::to_string(r.width()) + "×" +
                     std::to_string(r.height()));
  }
  return placed;
}

TEST(Form1Size, TheMessageAreaTakesTheRoomTheWindowGainsAndTheWindowKeepsItsDesignedSize) {
  TempDir dir;
  Form1 form(dir.path());
  form.show();
  const QSize designed(TwipsToPixels(11040), TwipsToPixels(8040));
  const QRect area(TwipsToPixels(165), TwipsToPixels(3480), TwipsToPixels(10650),
                   TwipsToPixels(4335));
  auto* client = Child(form, "client");
  auto* txmens = Child(form, "txmens");
  EXPECT_EQ(client->size(), designed);
  EXPECT_EQ(txmens->geometry(), area);
  const Texts placed = Placed(form);
  EXPECT_EQ(placed.size(), form_expectations::kFixedControls);
  EXPECT_TRUE(form.statusBar()->isSizeGripEnabled());
  // A fixed caption is shown whole, in whatever font the system gives: its
  // label is at least as wide as Qt says it needs.
  for (const app::DesignedControl& designed : app::kFormControls) {
    if (designed.kind != app::ControlKind::kLabel || designed.caption.empty()) continue;
    auto* label = Child<QLabel>(form, std::string(designed.name).c_str());
    EXPECT_GE(label->width(), label->sizeHint().width()) << designed.name;
  }

  const QSize start = form.size();
  form.resize(start + QSize(200, 100));
  EXPECT_EQ(client->size(), designed + QSize(200, 100));
  EXPECT_EQ(txmens->geometry(), area.adjusted(0, 0, 200, 100));
  EXPECT_EQ(Placed(form), placed);

  form.resize(100, 100);
  EXPECT_EQ(form.size(), form.minimumSize());
  EXPECT_EQ(client->size(), designed);
  EXPECT_EQ(txmens->geometry(), area);
  EXPECT_EQ(Placed(form), placed);
}

// A repository whose main configuration names its folders relative to the
// configuration's own folder, as Windows-form paths ("..\src").
class Form1Run : public ::testing::Test {
 protected:
  Form1Run() {
    repo_.MainConfiguration(TestRepository::Paths::kRelative);
    repo_.Companions();
    form_ = std::make_unique<Form1>(repo_.Path("prog"));
    form_->show();
    // The only repository of the list is chosen without a pick.
  }
  TestRepository repo_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Form1Run, GeraNumeracaoIsRevealedByTheMenuAndListsTheFolder) {
  for (const char* name : {"CRIA_B.ora", "cria_a.ora", "CRIA_A.sql", "LEIAME.txt"}) {
    repo_.Source(std::string("Tabelas/") + name, "x");
  }
  auto* numbering = Child<QPushButton>(*form_, "cmdExecuta0");
  EXPECT_FALSE(numbering->isVisible());
  form_->findChild<QAction*>("MnuHabNumeracao")->trigger();
  EXPECT_TRUE(numbering->isVisible());
  Pick(*form_, "CbObj", "TABELAS");
  Boxes boxes;
  numbering->click();
  EXPECT_EQ(boxes.shown, Texts{form_expectations::kFimDuringRun});
  // The pair collapses into the first spelling met in the folder's order.
  EXPECT_EQ(Messages(*form_), "\nFILE1=cria_a\nFILE2=CRIA_B\nFILE3=LEIAME");
  EXPECT_FALSE(repo_.OutputExists("ORACLE"));
  EXPECT_EQ(Enabled(*form_), form_expectations::kEnabled);
}

TEST_F(Form1Run, GeraInstallWritesThePackageOrSaysWhoElseIsWriting) {
  repo_.FileList("[VIEWS]\nNUMFILES=2\nFILE1=V\nFILE2=W\n");
  repo_.Source("Views/V.ora", "CREATE VIEW V AS SELECT 1 X FROM DUAL\r\n");
  repo_.Source("Views/V.sql", "CREATE VIEW V AS SELECT 1 X\r\n");
  repo_.Source("Views/OLD.ora", "not listed\r\n");
  Pick(*form_, "CbObj", "VIEWS");
  EXPECT_EQ(Child<QComboBox>(*form_, "CbRepos")->currentText(), "R1");
  EXPECT_EQ(form_->session().settings.SISTEMA, "XYZ");
  Boxes boxes;
  auto* install = Child<QPushButton>(*form_, "cmdExecuta1");
  install->click();
  // The labels tell where the package went and how the run ended, not what
  // it read last.
  const std::string out = repo_.Path("prog/../out");
  EXPECT_EQ(Label(*form_, "lblConfigUtilizado"),
            "Pacote: " + out +
                " — 3 problemas; versão acrescentada a "
                "SQL_SERVER/02-ATUALIZACAO/15-SA_Versao_Database.sql");
  EXPECT_EQ(Label(*form_, "lblDiretorioOrigem"), repo_.Path("prog/../src"));
  EXPECT_EQ(Label(*form_, "lblDiretorioDestino"), out);
  // The folder as it is on disk.
  EXPECT_EQ(Messages(*form_), "\nArquivo não encontrado: " + repo_.Path("prog/../src/Views/W.sql") +
                                  "\nArquivo Nao esta no ini: OLD.ora"
                                  "\nArquivo não encontrado: " +
                                  repo_.Path("prog/../src/Views/W.ora"));
  EXPECT_TRUE(repo_.OutputExists("ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql"));
  // Held by this very process, which the box names.
  platform::FolderLock other;
  ASSERT_TRUE(other.Acquire(repo_.Path("out")).ok());
  install->click();
  const std::string holder = " (processo " + std::to_string(::getpid()) + ", usuário " +
                             ::getpwuid(::geteuid())->pw_name + ")";
  EXPECT_EQ(
      boxes.shown,
      (Texts{form_expectations::kFimDuringRun,
             "VKTGeraInstallBD | Outra execução está gravando em: " + repo_.Path("prog/../out") +
                 holder + " | " + form_expectations::kDisabled + " | stays open"}));
  EXPECT_EQ(Enabled(*form_), form_expectations::kEnabled);
  // Sair closes the window once no run goes on.
  form_->show();
  form_->findChild<QAction*>("MnuSair")->trigger();
  EXPECT_FALSE(form_->isVisible());
}

class Form1Configuration : public ::testing::Test {
 protected:
  Form1Configuration() : settings_(QString::fromStdString(dir_ / "w.conf"), QSettings::IniFormat) {
    dir_.Write("bin/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=A1\n[A1]\nSISTEMA=a\n");
    dir_.Write("outra/Escolhida.ini", "[GERAL]\nREPOSITORIO=B1,B2\n");
    env_.executable_folder = dir_ / "bin";
    env_.home = dir_ / "home";
    env_.xdg_config_dirs = dir_ / "etc";
  }
  std::unique_ptr<Form1> Start() { return std::make_unique<Form1>(env_, &settings_); }
  static std::string Status(const Form1& form) {
    return Child<QLabel>(form, "lblConfiguracao")->text().toStdString();
  }
  // The folder "Abrir configuração…" opens in; the dialog is cancelled, or
  // accepted with `chosen` as the "Open" button does.
  static std::string DialogFolder(const Form1& form, const std::string& chosen = "") {
    std::string folder;
    QTimer::singleShot(0, [&folder, &chosen] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      folder = dialog->directory().absolutePath().toStdString();
      if (chosen.empty()) return dialog->reject();
      dialog->selectFile(QString::fromStdString(chosen));
      static_cast<QDialog*>(dialog)->accept();
    });
    form.findChild<QAction*>("MnuAbrirConfiguracao")->trigger();
    return folder;
  }

  TempDir dir_;
  QSettings settings_;
  app::LookupEnvironment env_;
};

TEST_F(Form1Configuration, CtrlOReloadsBothListsAndIsRememberedAfterTheConfigOption) {
  std::unique_ptr<Form1> form = Start();
  EXPECT_EQ(Items(*form), Texts{"A1"});
  // The only repository, chosen and loaded.
  EXPECT_EQ(Child<QComboBox>(*form, "CbRepos")->currentIndex(), 0);
  EXPECT_EQ(form->session().repository, "A1");
  EXPECT_EQ(form->session().settings.SISTEMA, "A");
  EXPECT_EQ(Status(*form), "Configuração: " + (dir_ / "bin/VKTGeraInstallBD.ini"));
  Pick(*form, "CbRepos", "A1");
  Pick(*form, "CbObj", "VIEWS");
  Child<QPlainTextEdit>(*form, "txmens")->setPlainText("old run");

  auto* action = form->findChild<QAction*>("MnuAbrirConfiguracao");
  EXPECT_EQ(action->text().toStdString(), "Abrir configuração…");
  EXPECT_EQ(action->shortcut(), QKeySequence("Ctrl+O"));
  const std::string chosen = dir_ / "outra/Escolhida.ini";
  EXPECT_EQ(DialogFolder(*form, chosen), dir_ / "bin");

  EXPECT_EQ(Items(*form), (Texts{"B1", "B2"}));
  EXPECT_EQ(Child<QComboBox>(*form, "CbRepos")->currentIndex(), -1);
  EXPECT_EQ(static_cast<std::size_t>(Child<QComboBox>(*form, "CbObj")->count()),
            form_expectations::ObjectTypeList().size());
  EXPECT_EQ(Child<QComboBox>(*form, "CbObj")->currentIndex(), 0);
  EXPECT_EQ(form->session().settings.SISTEMA, "");
  EXPECT_EQ(form->session().program_folder, dir_ / "outra");
  EXPECT_EQ(Messages(*form), "");
  EXPECT_EQ(Status(*form), "Configuração: " + chosen);

  EXPECT_EQ(Items(*Start()), (Texts{"B1", "B2"}));
  env_.config_option = dir_ / "bin/VKTGeraInstallBD.ini";
  EXPECT_EQ(Items(*Start()), Texts{"A1"});
}

// The message area says where the lookup looked and what to do, the status
// bar that nothing was read, and "Abrir configuração…" starts at home.
TEST_F(Form1Configuration, NothingFoundSaysWhatToDoUntilAConfigurationIsRead) {
  env_.executable_folder = dir_ / "elsewhere";
  dir_.MakeDir("elsewhere/examples/pedidos");
  dir_.MakeDir("home");
  std::unique_ptr<Form1> form = Start();
  EXPECT_EQ(Status(*form), "Configuração: nenhuma (VKTGeraInstallBD.ini não encontrada)");
  EXPECT_EQ(Items(*form), Texts{});
  EXPECT_EQ(DialogFolder(*form), dir_ / "home");
  const app::ExamplePlace example{
      QFileInfo(QString::fromStdString(dir_ / "elsewhere/examples/pedidos"))
          .canonicalFilePath()
          .toStdString(),
      false};
  const std::string first_steps = app::NotFoundMessage(app::FindMainConfiguration(env_)) + "\n\n" +
                                  app::FirstStepsText(app::OfferExample(example, ""));
  EXPECT_EQ(Messages(*form), first_steps);

  // Either button asks for a repository and leaves the text as it is.
  Boxes boxes;
  Child<QPushButton>(*form, "cmdExecuta1")->click();
  form->findChild<QAction*>("MnuHabNumeracao")->trigger();
  Child<QPushButton>(*form, "cmdExecuta0")->click();
  EXPECT_EQ(boxes.shown, Texts(2, form_expectations::kAskForRepository));
  EXPECT_EQ(boxes.areas, Texts(2, first_steps));
  EXPECT_EQ(Messages(*form), first_steps);

  form->OpenConfiguration(dir_ / "outra/Escolhida.ini");
  EXPECT_EQ(Messages(*form), "");
  EXPECT_EQ(DialogFolder(*form), dir_ / "outra");
  Child<QPushButton>(*form, "cmdExecuta1")->click();
  EXPECT_EQ(boxes.areas.back(), "");
  EXPECT_EQ(Messages(*form), "");
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
