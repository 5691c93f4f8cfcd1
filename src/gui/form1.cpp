#include "gui/form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/run_dispatch.h"
#include "app/startup.h"
#include "app/version.h"
#include "gui/first_steps.h"

namespace vkt::gui {
namespace {

// The window's face is "MS Sans Serif"; where it is not installed, the
// nearest sans-serif face that is.
QString ProgramFontFamily() {
  static const QString family = [] {
    for (const char* name : {"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans",
                             "Nimbus Sans", "DejaVu Sans"}) {
      if (QFontDatabase::hasFamily(name)) return QString(name);
    }
    QFont fallback;
    fallback.setStyleHint(QFont::SansSerif);
    return fallback.defaultFamily();
  }();
  return family;
}

QFont ProgramFont(double points, bool bold) {
  QFont font(ProgramFontFamily());
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

constexpr double kDefaultPoints = 8.25;
constexpr double kButtonPoints = 9.75;

// The client area of the window as designed, in twips.
constexpr int kClientWidth = 11040;
constexpr int kClientHeight = 8040;

void Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                      TwipsToPixels(height));
}

// The client area: its designed size is also its smallest. The controls keep
// their places and sizes; the one set with Stretch keeps its distance to the
// right and bottom edges, so it takes whatever room the window gains.
class ClientArea final : public QWidget {
 public:
  explicit ClientArea(QWidget* parent) : QWidget(parent) {
    setMinimumSize(TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight));
  }
  QSize sizeHint() const override { return minimumSize(); }

  // `widget` (a child already placed for the designed size) grows with the
  // area from now on.
  void Stretch(QWidget* widget) {
    stretched_ = widget;
    designed_ = widget->geometry();
    Fit();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    Fit();
  }

 private:
  void Fit() {
    if (stretched_ == nullptr) return;
    const QSize extra = size() - minimumSize();
    stretched_->setGeometry(
        designed_.adjusted(0, 0, std::max(0, extra.width()), std::max(0, extra.height())));
  }

  QWidget* stretched_ = nullptr;
  QRect designed_;
};

// `wrap`: the label is several lines high and wraps its text at its width.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, bool bold,
                  bool wrap = false) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setFont(ProgramFont(kDefaultPoints, bold));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(wrap);
  return label;
}

// A fixed caption stays whole when the face in use is wider than "MS Sans
// Serif": its label grows to the right, where the window has room for it.
void FitCaption(QLabel* label) {
  label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

QComboBox* MakeList(QWidget* parent, const char* name) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setFont(ProgramFont(kDefaultPoints, false));
  list->setEditable(false);
  return list;
}

}  // namespace

int TwipsToPixels(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

Form1::Form1(std::string program_folder, QWidget* parent)
    : QMainWindow(parent), home_folder_(QDir::homePath().toStdString()) {
  session_.program_folder = std::move(program_folder);
  Start();
}

Form1::Form1(app::LookupEnvironment environment, QSettings* settings, QWidget* parent)
    : Form1(std::move(environment), settings, Boxes::kShown, parent) {}

Form1::Form1(app::LookupEnvironment environment, QSettings* settings, Boxes boxes, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      home_folder_(environment.home.empty() ? QDir::homePath().toStdString() : environment.home),
      record_boxes_(boxes == Boxes::kRecorded) {
  if (environment.remembered.empty() && settings_ != nullptr) {
    environment.remembered = settings_->value(kRememberedKey).toString().toStdString();
  }
  const app::ConfigLookup lookup = app::FindMainConfiguration(environment);
  configuration_found_ = lookup.found;
  if (lookup.found) {
    app::UseMainConfiguration(session_, lookup.place.file);
  } else {
    session_.program_folder = environment.executable_folder;
  }
  Start();
  if (!lookup.found) {
    desktop_->SetRestingText(
        app::NotFoundMessage(lookup) + "\n\n" +
        app::FirstStepsText(
            app::OfferExample(FindExample(environment.executable_folder), environment.documents)));
  }
}

Form1::~Form1() = default;

void Form1::Start() {
  BuildControls();
  desktop_ = std::make_unique<QtDesktop>(QtDesktop::Widgets{
      this, lbl_config_utilizado_, lbl_diretorio_origem_, lbl_diretorio_destino_, txmens_});
  DesktopServices services = desktop_->Services();
  if (record_boxes_) services.boxes = &recorded_boxes_;
  desktop_scope_ = std::make_unique<ScopedDesktop>(services);
  FormLoad();
}

QString Form1::ConfigurationText() const {
  if (!configuration_found_) {
    return QString::fromUtf8("Configuração: nenhuma (") + app::kMainConfigName +
           QString::fromUtf8(" não encontrada)");
  }
  std::string path = session_.MainConfigPath();
  std::replace(path.begin(), path.end(), '\\', '/');
  return QString::fromUtf8("Configuração: ") + QString::fromStdString(path);
}

void Form1::OpenConfiguration(const std::string& file) {
  session_ = app::Session();
  app::UseMainConfiguration(session_, file);
  configuration_found_ = true;
  cb_repos_->clear();
  cb_obj_->clear();
  for (QLabel* label : {lbl_config_utilizado_, lbl_diretorio_origem_, lbl_diretorio_destino_}) {
    label->clear();
  }
  desktop_->SetRestingText("");
  FormLoad();
  if (settings_ != nullptr) settings_->setValue(kRememberedKey, QString::fromStdString(file));
}

void Form1::MnuAbrirConfiguracaoClick() {
  const std::string& start = configuration_found_ ? session_.program_folder : home_folder_;
  QFileDialog dialog(this, QString::fromUtf8("Abrir configuração"), QString::fromStdString(start),
                     QString::fromUtf8("Configuração (*.ini *.INI);;Todos os arquivos (*)"));
  dialog.setObjectName("DlgAbrirConfiguracao");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OpenConfiguration(dialog.selectedFiles().constFirst().toStdString());
}

void Form1::ShowConfiguration() { lbl_configuracao_->setText(ConfigurationText()); }

void Form1::BuildControls() {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8("Geração de Scripts de Instalação"));
  setFont(ProgramFont(kDefaultPoints, false));

  QMenu* mnu_arq = menuBar()->addMenu("Arquivo");
  mnu_arq->setObjectName("MnuArq");
  mnu_hab_numeracao_ = mnu_arq->addAction(QString::fromUtf8("Habilita Numeração"));
  mnu_hab_numeracao_->setObjectName("MnuHabNumeracao");
  connect(mnu_hab_numeracao_, &QAction::triggered, this, [this] { MnuHabNumeracaoClick(); });
  mnu_abrir_configuracao_ = mnu_arq->addAction(QString::fromUtf8("Abrir configuração…"));
  mnu_abrir_configuracao_->setObjectName("MnuAbrirConfiguracao");
  mnu_abrir_configuracao_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(mnu_abrir_configuracao_, &QAction::triggered, this,
          [this] { MnuAbrirConfiguracaoClick(); });
  // Asks to close as the close box does: refused while a run goes on.
  QAction* mnu_sair = mnu_arq->addAction("Sair");
  mnu_sair->setObjectName("MnuSair");
  connect(mnu_sair, &QAction::triggered, this, [this] { close(); });

  auto* client = new ClientArea(this);
  client->setObjectName("client");
  setCentralWidget(client);

  QLabel* caption = MakeLabel(client, "Label1_1", QString::fromUtf8("Repositório"), false);
  Place(caption, 165, 390, 795, 195);
  FitCaption(caption);
  cb_repos_ = MakeList(client, "CbRepos");
  Place(cb_repos_, 165, 600, 5500, 315);
  caption = MakeLabel(client, "Label1_0", "Tipo do Objeto", false);
  Place(caption, 165, 975, 1050, 210);
  FitCaption(caption);
  cb_obj_ = MakeList(client, "CbObj");
  Place(cb_obj_, 165, 1200, 5500, 315);

  const char* button_names[2] = {"cmdExecuta0", "cmdExecuta1"};
  const QString button_captions[2] = {QString::fromUtf8("Gera Numeração"), "Gera Install"};
  const int button_left[2] = {8040, 6360};
  for (int index = 0; index < 2; ++index) {
    auto* button = new QPushButton(button_captions[index], client);
    button->setObjectName(button_names[index]);
    button->setFont(ProgramFont(kButtonPoints, true));
    Place(button, button_left[index], 600, 1500, 495);
    connect(button, &QPushButton::clicked, this, [this, index] { CmdExecutaClick(index); });
    cmd_executa_[index] = button;
  }
  cmd_executa_[0]->setVisible(false);

  lbl_versao_ = MakeLabel(client, "lblVersao", QString::fromUtf8("Versão: 02.00.00"), true);
  Place(lbl_versao_, 8160, 120, 1695, 255);
  lbl_config_utilizado_ = MakeLabel(client, "lblConfigUtilizado", "", true, /*wrap=*/true);
  Place(lbl_config_utilizado_, 165, 1680, 6015, 615);
  caption = MakeLabel(client, "lblLendoOrigem", QString::fromUtf8("Diretório Origem:"), false);
  Place(caption, 165, 2520, 1455, 255);
  FitCaption(caption);
  lbl_diretorio_origem_ = MakeLabel(client, "lblDiretorioOrigem", "", false);
  Place(lbl_diretorio_origem_, 1800, 2520, 7815, 255);
  caption = MakeLabel(client, "lblLendoDestino", QString::fromUtf8("Diretório Destino:"), false);
  Place(caption, 165, 3000, 1455, 255);
  FitCaption(caption);
  lbl_diretorio_destino_ = MakeLabel(client, "lblDiretorioDestino", "", false);
  Place(lbl_diretorio_destino_, 1800, 3000, 7695, 255);

  txmens_ = new QPlainTextEdit(client);
  txmens_->setObjectName("txmens");
  txmens_->setFont(ProgramFont(kDefaultPoints, false));
  txmens_->setReadOnly(true);
  txmens_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Place(txmens_, 165, 3480, 10650, 4335);
  client->Stretch(txmens_);

  connect(cb_repos_, &QComboBox::activated, this, [this](int index) { CbReposClick(index); });

  lbl_configuracao_ = new QLabel(this);
  lbl_configuracao_->setObjectName("lblConfiguracao");
  lbl_configuracao_->setFont(ProgramFont(kDefaultPoints, false));
  lbl_configuracao_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(lbl_configuracao_, 1);
}

void Form1::FormLoad() {
  for (const config::GeneralKeyProblem& problem : app::LoadGeneralSettings(session_)) {
    Desktop().boxes->Show(app::UnusableSettingMessage(problem), "VKTGeraInstallBD",
                          BoxIcon::kCritical);
  }
  app::ComboContents lists = app::CarregaCombos(session_);
  for (const std::string& type : lists.object_types) cb_obj_->addItem(QString::fromStdString(type));
  cb_obj_->setCurrentIndex(lists.selected_object_type);
  for (const std::string& name : lists.repositories) {
    cb_repos_->addItem(QString::fromStdString(name));
  }
  cb_repos_->setCurrentIndex(lists.selected_repository);
  if (lists.selected_repository >= 0) CbReposClick(lists.selected_repository);
  lbl_versao_->setText(QString::fromUtf8("Versão ") + QString::fromUtf8(kVersionText));
  FitCaption(lbl_versao_);
  ShowConfiguration();
}

void Form1::CbReposClick(int index) {
  app::CarregaConfigRepositorio(session_, cb_repos_->itemText(index).toStdString());
}

void Form1::CmdExecutaClick(int index) {
  if (running_) return;
  running_ = true;
  app::RunFromWindow(session_, index, cb_obj_->currentText().toStdString(),
                     cb_repos_->currentText().toStdString(),
                     [this](bool enabled) { SetControlsEnabled(enabled); });
  running_ = false;
}

void Form1::MnuHabNumeracaoClick() { cmd_executa_[0]->setVisible(true); }

void Form1::SetControlsEnabled(bool enabled) {
  cmd_executa_[0]->setEnabled(enabled);
  cmd_executa_[1]->setEnabled(enabled);
  cb_repos_->setEnabled(enabled);
  cb_obj_->setEnabled(enabled);
  mnu_abrir_configuracao_->setEnabled(enabled);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace vkt::gui
