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
#include <string_view>
#include <utility>

#include "app/form_design.h"
#include "app/startup.h"
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

using app::kFormClientHeight;
using app::kFormClientWidth;

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
    setMinimumSize(TwipsToPixels(kFormClientWidth), TwipsToPixels(kFormClientHeight));
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

// A fixed caption stays whole when the face in use is wider than "MS Sans
// Serif": its label grows to the right, where the window has room for it.
void FitCaption(QLabel* label) {
  label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont FaceFont(app::ControlFace face) {
  switch (face) {
    case app::ControlFace::kBold:
      return ProgramFont(app::kDefaultPoints, true);
    case app::ControlFace::kButton:
      return ProgramFont(app::kButtonPoints, true);
    case app::ControlFace::kRegular:
      break;
  }
  return ProgramFont(app::kDefaultPoints, false);
}

// The widget of a designed control, not placed yet.
QWidget* MakeControl(QWidget* parent, const app::DesignedControl& designed) {
  QWidget* widget = nullptr;
  switch (designed.kind) {
    case app::ControlKind::kLabel:
    case app::ControlKind::kWrappedLabel: {
      auto* label = new QLabel(Utf8(designed.caption), parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setWordWrap(designed.kind == app::ControlKind::kWrappedLabel);
      widget = label;
      break;
    }
    case app::ControlKind::kList: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);
      widget = list;
      break;
    }
    case app::ControlKind::kButton:
      widget = new QPushButton(Utf8(designed.caption), parent);
      break;
    case app::ControlKind::kMessages: {
      auto* messages = new QPlainTextEdit(parent);
      messages->setReadOnly(true);
      messages->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      widget = messages;
      break;
    }
  }
  widget->setObjectName(Utf8(designed.name));
  widget->setFont(FaceFont(designed.face));
  return widget;
}

}  // namespace

int TwipsToPixels(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

Form1::Form1(std::string program_folder, QWidget* parent) : QMainWindow(parent) {
  form_.home_folder = QDir::homePath().toStdString();
  form_.session.program_folder = std::move(program_folder);
  Start();
}

Form1::Form1(app::LookupEnvironment environment, QSettings* settings, QWidget* parent)
    : Form1(std::move(environment), settings, Boxes::kShown, parent) {}

Form1::Form1(app::LookupEnvironment environment, QSettings* settings, Boxes boxes, QWidget* parent)
    : QMainWindow(parent), settings_(settings), record_boxes_(boxes == Boxes::kRecorded) {
  form_.home_folder = environment.home.empty() ? QDir::homePath().toStdString() : environment.home;
  if (environment.remembered.empty() && settings_ != nullptr) {
    environment.remembered = settings_->value(kRememberedKey).toString().toStdString();
  }
  const std::string resting =
      app::StartForm(form_, environment, FindExample(environment.executable_folder));
  Start();
  if (!resting.empty()) desktop_->SetRestingText(resting);
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

QString Form1::ConfigurationText() const { return QString::fromStdString(app::StatusText(form_)); }

void Form1::OpenConfiguration(const std::string& file) {
  app::OpenConfiguration(form_, file);
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
  QFileDialog dialog(this, QString::fromUtf8("Abrir configuração"),
                     QString::fromStdString(app::OpenDialogFolder(form_)),
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
  setWindowTitle(Utf8(app::kFormTitle));
  setFont(ProgramFont(app::kDefaultPoints, false));

  QMenu* mnu_arq = menuBar()->addMenu(Utf8(app::kMenuArquivo));
  mnu_arq->setObjectName("MnuArq");
  for (const app::DesignedCommand& designed : app::kFormCommands) {
    if (designed.separator_before) mnu_arq->addSeparator();
    QAction* action = mnu_arq->addAction(Utf8(designed.caption));
    action->setObjectName(Utf8(designed.name));
    if (!designed.shortcut.empty()) action->setShortcut(QKeySequence(Utf8(designed.shortcut)));
    const app::FormCommand command = designed.command;
    connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    if (command == app::FormCommand::kMnuHabNumeracao) mnu_hab_numeracao_ = action;
    if (command == app::FormCommand::kMnuAbrirConfiguracao) mnu_abrir_configuracao_ = action;
  }

  auto* client = new ClientArea(this);
  client->setObjectName("client");
  setCentralWidget(client);
  for (const app::DesignedControl& designed : app::kFormControls) {
    QWidget* widget = MakeControl(client, designed);
    Place(widget, designed.left, designed.top, designed.width, designed.height);
    if (designed.fit) FitCaption(static_cast<QLabel*>(widget));
    if (!designed.visible) widget->hide();
    Keep(designed.control, widget);
  }
  client->Stretch(txmens_);

  connect(cb_repos_, &QComboBox::activated, this, [this](int index) { CbReposClick(index); });
  for (int index = 0; index < 2; ++index) {
    connect(cmd_executa_[index], &QPushButton::clicked, this,
            [this, index] { CmdExecutaClick(index); });
  }

  lbl_configuracao_ = new QLabel(this);
  lbl_configuracao_->setObjectName("lblConfiguracao");
  lbl_configuracao_->setFont(ProgramFont(app::kDefaultPoints, false));
  lbl_configuracao_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(lbl_configuracao_, 1);
}

void Form1::OnCommand(app::FormCommand command) {
  switch (command) {
    case app::FormCommand::kMnuHabNumeracao:
      MnuHabNumeracaoClick();
      break;
    case app::FormCommand::kMnuAbrirConfiguracao:
      MnuAbrirConfiguracaoClick();
      break;
    case app::FormCommand::kMnuSair:
      // Asks to close as the close box does: refused while a run goes on.
      close();
      break;
  }
}

void Form1::Keep(app::FormControl control, QWidget* widget) {
  switch (control) {
    case app::FormControl::kCbRepos:
      cb_repos_ = static_cast<QComboBox*>(widget);
      break;
    case app::FormControl::kCbObj:
      cb_obj_ = static_cast<QComboBox*>(widget);
      break;
    case app::FormControl::kCmdExecuta0:
      cmd_executa_[0] = static_cast<QPushButton*>(widget);
      break;
    case app::FormControl::kCmdExecuta1:
      cmd_executa_[1] = static_cast<QPushButton*>(widget);
      break;
    case app::FormControl::kLblVersao:
      lbl_versao_ = static_cast<QLabel*>(widget);
      break;
    case app::FormControl::kLblConfigUtilizado:
      lbl_config_utilizado_ = static_cast<QLabel*>(widget);
      break;
    case app::FormControl::kLblDiretorioOrigem:
      lbl_diretorio_origem_ = static_cast<QLabel*>(widget);
      break;
    case app::FormControl::kLblDiretorioDestino:
      lbl_diretorio_destino_ = static_cast<QLabel*>(widget);
      break;
    case app::FormControl::kTxmens:
      txmens_ = static_cast<QPlainTextEdit*>(widget);
      break;
    case app::FormControl::kLabel1_1:
    case app::FormControl::kLabel1_0:
    case app::FormControl::kLblLendoOrigem:
    case app::FormControl::kLblLendoDestino:
      break;  // fixed captions: nothing to change later
  }
}

void Form1::FormLoad() {
  const app::ComboContents lists = app::LoadForm(form_);
  for (const std::string& type : lists.object_types) cb_obj_->addItem(QString::fromStdString(type));
  cb_obj_->setCurrentIndex(lists.selected_object_type);
  for (const std::string& name : lists.repositories) {
    cb_repos_->addItem(QString::fromStdString(name));
  }
  cb_repos_->setCurrentIndex(lists.selected_repository);
  if (lists.selected_repository >= 0) CbReposClick(lists.selected_repository);
  lbl_versao_->setText(QString::fromStdString(app::VersionCaption()));
  FitCaption(lbl_versao_);
  ShowConfiguration();
}

void Form1::CbReposClick(int index) {
  app::CarregaConfigRepositorio(form_.session, cb_repos_->itemText(index).toStdString());
}

void Form1::CmdExecutaClick(int index) {
  app::PressButton(form_, index, cb_obj_->currentText().toStdString(),
                   cb_repos_->currentText().toStdString(),
                   [this](bool enabled) { SetControlsEnabled(enabled); });
}

void Form1::MnuHabNumeracaoClick() { cmd_executa_[0]->setVisible(true); }

void Form1::SetControlsEnabled(bool enabled) {
  for (app::FormControl control : app::kControlsOffDuringRun) {
    findChild<QWidget*>(Utf8(app::Designed(control).name))->setEnabled(enabled);
  }
  mnu_abrir_configuracao_->setEnabled(enabled);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (form_.running) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace vkt::gui
