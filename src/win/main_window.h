// `Form1` on Windows: the program's one window, built from Win32 controls. It
// shows the lists and captions, copies control values into the core's calls
// (start-up, repository selection, the button handler) and provides the
// desktop services for the core while it exists (win/win_desktop.h). No logic
// of its own beyond enabling and disabling controls: the same core calls as
// the Qt window (src/gui/form1.h), in the same order.
//
// The controls keep their places and sizes in twips, converted with the
// window's DPI (and again when it moves to a screen of another DPI); fixed
// captions grow to the width GDI measures for them. The window can be made
// larger, and the message area takes the extra room, but not smaller than a
// client area of 11040 × 8040 twips above the status line, unless the
// monitor's work area is smaller (MinimumWindowSize).
#pragma once

#include "win/windows_api.h"

#include <memory>
#include <string>
#include <vector>

#include "app/form_logic.h"
#include "app/session.h"
#include "services/desktop.h"
#include "win/win_desktop.h"
#include "win/win_lookup.h"

namespace vkt::win {

// How the window starts.
struct WindowStart {
  // Where the main configuration is looked up; when `remembered` is empty it
  // is read from the registry value below.
  app::LookupEnvironment environment;
  // The key under HKEY_CURRENT_USER that keeps the choice of "Abrir
  // configuração…" (value kRememberedValue); empty: nothing is remembered.
  std::wstring registry_key = kRegistryKey;
  // The program ends (WM_QUIT) when the window is destroyed.
  bool quit_when_closed = true;
  // The example beside the program ("examples\\pedidos") is the installed
  // one, which users cannot write: it is offered as a copy in
  // `environment.documents` (app/first_start.h).
  bool example_installed = false;
  // Boxes are recorded, not shown (`--quit-after-start`, where nobody would
  // close them): see MainWindow::recorded_boxes.
  bool record_boxes = false;
};

// The smallest the window can be made, in pixels.
struct MinimumSize {
  int width = 0;  // of the whole window, frame included
  int height = 0;
  // The message area's height at that size: the designed one, less what the
  // window gave up to fit the work area (never below 0).
  int message_height = 0;
};

// The window's smallest size at `dpi`: the designed client area (twips
// scaled to `dpi`) plus `frame_width` and `frame_height`, the pixels that the
// frame, title, menu and status line add, but never more than the monitor's
// work area (`work_width` × `work_height`, rcWork). Where it must be
// shorter, the message area gives up the height first; the controls above
// it keep their places.
MinimumSize MinimumWindowSize(int dpi, int frame_width, int frame_height, int work_width,
                              int work_height);

class MainWindow {
 public:
  // Creates the window (not shown yet) and runs its start-up (`Form_Load`)
  // against the configuration the lookup finds. When nothing is found the
  // message area lists every place looked at and says how to open a
  // configuration, until one is read.
  explicit MainWindow(WindowStart start);
  // The same against "VKTGeraInstallBD.ini" in `program_folder`, nothing
  // remembered.
  explicit MainWindow(const std::string& program_folder);
  // Destroys the window when it still exists.
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Null once the window has been closed.
  HWND hwnd() const { return hwnd_; }
  // The thread's message loop, until WM_QUIT: the menu's keyboard shortcuts
  // (Ctrl+O) and the controls' keyboard navigation first, then every other
  // window's messages. Returns WM_QUIT's code.
  int RunMessageLoop() const;

  // What "Abrir configuração…" does once a file is picked: reads `file` as
  // the main configuration, reloads both lists as at start-up (captions and
  // messages emptied, the only repository selected, none among several) and
  // remembers the choice.
  void OpenConfiguration(const std::string& file);
  // The text of the status line: which main configuration was read.
  std::string ConfigurationText() const;
  bool ConfigurationFound() const { return form_.configuration_found; }
  // With WindowStart::record_boxes, every box the window would have shown, as
  // "TITLE: TEXT"; else empty.
  const std::vector<std::string>& recorded_boxes() const { return recorded_boxes_.shown(); }

  const app::Session& session() const { return form_.session; }
  // True while a button press is being handled.
  bool running() const { return form_.running; }
  // How many requests to close the window came during a run (and were
  // refused).
  int refused_closes() const { return refused_closes_; }
  // The DPI the controls are laid out for.
  int dpi() const { return dpi_; }

 private:
  struct Fonts;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  void Create(const std::string& resting_text);
  void BuildControls();
  void BuildMenu();
  // Places every control for `dpi_`, fitting fixed captions, and the window's
  // smallest size; then the stretching of the message area.
  void Layout();
  void FitMessageArea();
  void FormLoad();
  void OnCommand(int id, int notification);
  void MnuAbrirConfiguracaoClick();
  void CbReposClick();
  void CmdExecutaClick(int index);
  void SetControlsEnabled(bool enabled);
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  std::string ListText(int id) const;

  app::FormState form_;
  std::wstring registry_key_;
  bool quit_when_closed_ = true;
  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HWND focus_ = nullptr;  // the control with the focus when the window was left
  int dpi_ = 96;
  std::unique_ptr<Fonts> fonts_;
  SIZE min_track_size_{};
  bool record_boxes_ = false;
  RecordedBoxes recorded_boxes_;
  std::unique_ptr<WinDesktop> desktop_;
  std::unique_ptr<ScopedDesktop> desktop_scope_;
  int refused_closes_ = 0;
};

}  // namespace vkt::win
