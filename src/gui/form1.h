// `Form1`: the program's one window. It shows the lists and captions, copies
// control values into the core's calls (start-up, repository selection, the
// button handler) and provides the desktop services for the core while it
// exists. No logic of its own beyond enabling and disabling controls.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "app/session.h"
#include "gui/qt_desktop.h"
#include "services/desktop.h"

class QAction;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vkt::gui {

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up (`Form_Load`) against the main
  // configuration "VKTGeraInstallBD.ini" in `program_folder` (the executable's
  // folder in the program; any folder in tests).
  explicit Form1(std::string program_folder, QWidget* parent = nullptr);
  ~Form1() override;

  // The core's state of this window (repository settings, messages).
  const app::Session& session() const { return session_; }
  // True while a button press is being handled.
  bool running() const { return running_; }

 protected:
  // Closing is refused while a run is in progress (the run yields to the
  // event loop, so the request can arrive mid-run); afterwards it is allowed.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void FormLoad();
  void CbReposClick(int index);
  void CmdExecutaClick(int index);
  void MnuHabNumeracaoClick();
  void SetControlsEnabled(bool enabled);

  app::Session session_;
  QComboBox* cb_repos_ = nullptr;
  QComboBox* cb_obj_ = nullptr;
  QPushButton* cmd_executa_[2] = {nullptr, nullptr};
  QLabel* lbl_versao_ = nullptr;
  QLabel* lbl_config_utilizado_ = nullptr;
  QLabel* lbl_diretorio_origem_ = nullptr;
  QLabel* lbl_diretorio_destino_ = nullptr;
  QPlainTextEdit* txmens_ = nullptr;
  QAction* mnu_hab_numeracao_ = nullptr;
  std::unique_ptr<QtDesktop> desktop_;
  std::unique_ptr<ScopedDesktop> desktop_scope_;
  bool running_ = false;
};

// Pixels for a length in twips (15 twips per pixel).
int TwipsToPixels(int twips);

}  // namespace vkt::gui
