// `Form1`: the program's one window. It shows the lists and captions, copies
// control values into the core's calls (start-up, repository selection, the
// button handler) and provides the desktop services for the core while it
// exists. No logic of its own beyond enabling and disabling controls.
// The controls keep their places and sizes in twips; the window can be made
// larger, and the message area takes the extra room, but not smaller than
// the client area of 11040 × 8040 twips.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "app/config_lookup.h"
#include "app/form_design.h"
#include "app/form_logic.h"
#include "app/session.h"
#include "gui/qt_desktop.h"
#include "services/desktop.h"

class QAction;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSettings;

namespace vkt::gui {

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up (`Form_Load`) against the main
  // configuration "VKTGeraInstallBD.ini" in `program_folder` (the executable's
  // folder in the program; any folder in tests).
  explicit Form1(std::string program_folder, QWidget* parent = nullptr);
  // The same against the configuration the lookup finds in `environment`.
  // When `environment` has no remembered choice it takes the one `settings`
  // holds (key kRememberedKey); "Abrir configuração…" stores its choice
  // there. `settings` is not owned and may be null (nothing is remembered).
  // When nothing is found the message area lists every place looked at, says
  // how to open a configuration and where the example lies, and keeps saying
  // it until a configuration is read. "Abrir configuração…" starts in the
  // folder of the configuration read, else in `environment.home` (the user's
  // home folder when empty).
  Form1(app::LookupEnvironment environment, QSettings* settings, QWidget* parent = nullptr);
  // How the window shows its message boxes: as modal boxes, or recorded and
  // shown to no one (`--quit-after-start`, where nobody would close them).
  enum class Boxes { kShown, kRecorded };
  Form1(app::LookupEnvironment environment, QSettings* settings, Boxes boxes,
        QWidget* parent = nullptr);
  ~Form1() override;

  // The settings key of the configuration chosen with "Abrir configuração…".
  static constexpr char kRememberedKey[] = "configuration";

  // What "Abrir configuração…" does once a file is picked: reads `file` as
  // the main configuration, reloads both lists as at start-up (captions and
  // messages emptied, the only repository selected, none among several) and
  // remembers the choice.
  void OpenConfiguration(const std::string& file);
  // The text of the status line: which main configuration was read.
  QString ConfigurationText() const;
  // False when the lookup found no main configuration.
  bool ConfigurationFound() const { return form_.configuration_found; }
  // With Boxes::kRecorded, every box the window would have shown, as
  // "TITLE: TEXT"; else empty.
  const std::vector<std::string>& recorded_boxes() const { return recorded_boxes_.shown(); }

  // The core's state of this window (repository settings, messages).
  const app::Session& session() const { return form_.session; }
  // True while a button press is being handled.
  bool running() const { return form_.running; }

 protected:
  // Closing is refused while a run is in progress (the run yields to the
  // event loop, so the request can arrive mid-run); afterwards it is allowed.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Builds the controls, installs the desktop services and loads the lists.
  void Start();
  // Builds the menu and the controls as designed (app/form_design.h).
  void BuildControls();
  // Keeps the widget of a control the window changes later.
  void Keep(app::FormControl control, QWidget* widget);
  void OnCommand(app::FormCommand command);
  // `Form_Load`: reads [GERAL] of the main configuration
  // (app::LoadGeneralSettings), shows a box for each key that cannot be used
  // and fills the lists; a list of one repository has it chosen and loaded.
  void FormLoad();
  void MnuAbrirConfiguracaoClick();
  void ShowConfiguration();
  void CbReposClick(int index);
  void CmdExecutaClick(int index);
  void MnuHabNumeracaoClick();
  void SetControlsEnabled(bool enabled);

  app::FormState form_;
  QComboBox* cb_repos_ = nullptr;
  QComboBox* cb_obj_ = nullptr;
  QPushButton* cmd_executa_[2] = {nullptr, nullptr};
  QLabel* lbl_versao_ = nullptr;
  QLabel* lbl_config_utilizado_ = nullptr;
  QLabel* lbl_diretorio_origem_ = nullptr;
  QLabel* lbl_diretorio_destino_ = nullptr;
  QPlainTextEdit* txmens_ = nullptr;
  QAction* mnu_hab_numeracao_ = nullptr;
  QAction* mnu_abrir_configuracao_ = nullptr;
  QLabel* lbl_configuracao_ = nullptr;  // the status line
  QSettings* settings_ = nullptr;
  bool record_boxes_ = false;
  RecordedBoxes recorded_boxes_;
  std::unique_ptr<QtDesktop> desktop_;
  std::unique_ptr<ScopedDesktop> desktop_scope_;
};

// Pixels for a length in twips (15 twips per pixel).
int TwipsToPixels(int twips);

}  // namespace vkt::gui
