#include "win/main_window.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/first_start.h"
#include "app/startup.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "win/control_ids.h"
#include "win/fonts.h"
#include "win/wide_text.h"
#include "win/win_folder_picker.h"

namespace vkt::win {
namespace {

constexpr wchar_t kWindowClass[] = L"VKTGeraInstallBD.Form1";
using app::ControlFace;
using app::ControlKind;
using app::DesignedControl;
using app::kFormClientHeight;
using app::kFormClientWidth;
using app::kFormControls;

// A pointer or handle carried in a message's WPARAM or LPARAM or a window's
// long, or a control's identifier in the place of a menu handle: the
// Win32 conventions.
template <typename T>
T From(std::intptr_t value) {
  return reinterpret_cast<T>(value);  // NOLINT(performance-no-int-to-ptr)
}

const DesignedControl& Designed(int id) { return app::Designed(static_cast<app::FormControl>(id)); }

int IdOf(const DesignedControl& designed) { return static_cast<int>(designed.control); }

// How far a drop-down list opens below its field, in twips.
constexpr int kDropDownTwips = 3000;

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpszClassName = kWindowClass;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    // The program's icon (resource 1, src/win/VKTGeraInstallBD.rc); test
    // programs have none and show the system's.
    window_class.hIcon = LoadIconW(window_class.hInstance, MAKEINTRESOURCEW(kIdIcon));
    window_class.lpfnWndProc = DefWindowProcW;
    return RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
}

DWORD StyleOf(const DesignedControl& designed) {
  DWORD style = WS_CHILD | (designed.visible ? WS_VISIBLE : 0U);
  switch (designed.kind) {
    case ControlKind::kLabel:
      return style | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    case ControlKind::kWrappedLabel:
      return style | SS_LEFT | SS_NOPREFIX;
    case ControlKind::kList:
      return style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case ControlKind::kButton:
      return style | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::kMessages:
      return style | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
  }
  return style;
}

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
    case ControlKind::kWrappedLabel:
      return WC_STATICW;
    case ControlKind::kList:
      return WC_COMBOBOXW;
    case ControlKind::kButton:
      return WC_BUTTONW;
    case ControlKind::kMessages:
      return WC_EDITW;
  }
  return WC_STATICW;
}

int WindowDpi(HWND hwnd) {
  const UINT dpi = GetDpiForWindow(hwnd);
  return dpi != 0 ? static_cast<int>(dpi) : ScreenDpi();
}

// The work area (the screen less the task bar) of the monitor the window is
// on, or nearest to.
RECT WorkArea(HWND hwnd) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcWork;
}

std::string WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

}  // namespace

MinimumSize MinimumWindowSize(int dpi, int frame_width, int frame_height, int work_width,
                              int work_height) {
  const int width = TwipsToPixels(kFormClientWidth, dpi) + frame_width;
  const int height = TwipsToPixels(kFormClientHeight, dpi) + frame_height;
  MinimumSize size;
  size.width = std::min(width, work_width);
  size.height = std::min(height, work_height);
  size.message_height =
      std::max(0, TwipsToPixels(Designed(kIdTxmens).height, dpi) - (height - size.height));
  return size;
}

struct MainWindow::Fonts {
  explicit Fonts(int dpi)
      : regular(MakeProgramFont(kDefaultPoints, false, dpi)),
        bold(MakeProgramFont(kDefaultPoints, true, dpi)),
        button(MakeProgramFont(kButtonPoints, true, dpi)) {}
  ~Fonts() {
    for (HFONT font : {regular, bold, button}) DeleteObject(font);
  }
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;
  HFONT Of(ControlFace face) const {
    return face == ControlFace::kBold ? bold : face == ControlFace::kButton ? button : regular;
  }
  HFONT regular;
  HFONT bold;
  HFONT button;
};

MainWindow::MainWindow(WindowStart start)
    : registry_key_(std::move(start.registry_key)),
      quit_when_closed_(start.quit_when_closed),
      record_boxes_(start.record_boxes) {
  app::LookupEnvironment& environment = start.environment;
  if (environment.remembered.empty() && !registry_key_.empty()) {
    environment.remembered = RememberedValue(registry_key_, kRememberedValue).Read();
  }
  form_.home_folder = platform::EnvironmentVariable("USERPROFILE");
  app::ExamplePlace example{environment.executable_folder + "\\examples\\pedidos",
                            start.example_installed};
  if (environment.executable_folder.empty() || !platform::IsDirectory(example.folder)) {
    example = {};
  }
  Create(app::StartForm(form_, environment, example));
}

MainWindow::MainWindow(const std::string& program_folder) : quit_when_closed_(false) {
  form_.home_folder = program_folder;
  form_.session.program_folder = program_folder;
  Create("");
}

int MainWindow::RunMessageLoop() const {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (hwnd_ != nullptr && TranslateAcceleratorW(hwnd_, accelerators_, &message)) continue;
    if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

void MainWindow::Create(const std::string& resting_text) {
  RegisterWindowClass();
  BuildMenu();
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  hwnd_ = CreateWindowExW(0, kWindowClass, Wide(app::kFormTitle).c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu_,
                          GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::WindowProc));
  dpi_ = WindowDpi(hwnd_);
  BuildControls();
  Layout();
  // The designed size: the smallest the window can be, inside the work area.
  RECT placed{};
  GetWindowRect(hwnd_, &placed);
  const RECT work = WorkArea(hwnd_);
  const LONG left = std::max(work.left, std::min(placed.left, work.right - min_track_size_.cx));
  const LONG top = std::max(work.top, std::min(placed.top, work.bottom - min_track_size_.cy));
  SetWindowPos(hwnd_, nullptr, left, top, min_track_size_.cx, min_track_size_.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  desktop_ = std::make_unique<WinDesktop>(
      WinDesktop::Controls{hwnd_, Control(kIdLblConfigUtilizado), Control(kIdLblDiretorioOrigem),
                           Control(kIdLblDiretorioDestino), Control(kIdTxmens)});
  DesktopServices services = desktop_->Services();
  if (record_boxes_) services.boxes = &recorded_boxes_;
  desktop_scope_ = std::make_unique<ScopedDesktop>(services);
  FormLoad();
  if (!resting_text.empty()) desktop_->SetRestingText(resting_text);
}

void MainWindow::BuildMenu() {
  HMENU arquivo = CreatePopupMenu();
  for (const app::DesignedCommand& command : app::kFormCommands) {
    if (command.separator_before) AppendMenuW(arquivo, MF_SEPARATOR, 0, nullptr);
    std::string caption(command.caption);
    if (!command.shortcut.empty()) caption.append("\t").append(command.shortcut);
    AppendMenuW(arquivo, MF_STRING, static_cast<UINT_PTR>(command.command), Wide(caption).c_str());
  }
  menu_ = CreateMenu();
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(arquivo),
              Wide(app::kMenuArquivo).c_str());
  // "Ctrl+O": the control key and a letter.
  std::vector<ACCEL> shortcuts;
  for (const app::DesignedCommand& command : app::kFormCommands) {
    if (command.shortcut.starts_with("Ctrl+") && command.shortcut.size() == 6) {
      shortcuts.push_back({FCONTROL | FVIRTKEY, static_cast<WORD>(command.shortcut.back()),
                           static_cast<WORD>(command.command)});
    }
  }
  accelerators_ = CreateAcceleratorTableW(shortcuts.data(), static_cast<int>(shortcuts.size()));
}

void MainWindow::BuildControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const DesignedControl& designed : kFormControls) {
    const DWORD ex_style = designed.kind == ControlKind::kMessages ? WS_EX_CLIENTEDGE : 0U;
    CreateWindowExW(ex_style, ClassOf(designed.kind), Wide(designed.caption).c_str(),
                    StyleOf(designed), 0, 0, 0, 0, hwnd_, From<HMENU>(IdOf(designed)), instance,
                    nullptr);
  }
  CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                  hwnd_, From<HMENU>(kIdStatus), instance, nullptr);
  // Long runs write many lines.
  SendMessageW(Control(kIdTxmens), EM_SETLIMITTEXT, 0, 0);
}

void MainWindow::Layout() {
  fonts_ = std::make_unique<Fonts>(dpi_);
  HDC dc = GetDC(hwnd_);
  for (const DesignedControl& designed : kFormControls) {
    HWND control = Control(IdOf(designed));
    HFONT font = fonts_->Of(designed.face);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int width = TwipsToPixels(designed.width, dpi_);
    int height = TwipsToPixels(designed.height, dpi_);
    if (designed.fit) {
      const std::wstring caption = Wide(WindowText(control));
      HGDIOBJ previous = SelectObject(dc, font);
      SIZE extent{};
      if (GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent)) {
        width = std::max(width, static_cast<int>(extent.cx));
      }
      SelectObject(dc, previous);
    }
    if (designed.kind == ControlKind::kList) height += TwipsToPixels(kDropDownTwips, dpi_);
    SetWindowPos(control, nullptr, TwipsToPixels(designed.left, dpi_),
                 TwipsToPixels(designed.top, dpi_), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ReleaseDC(hwnd_, dc);
  HWND status = Control(kIdStatus);
  SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->regular), FALSE);
  SendMessageW(status, WM_SIZE, 0, 0);
  RECT status_rect{};
  GetWindowRect(status, &status_rect);
  const int client_width = TwipsToPixels(kFormClientWidth, dpi_);
  const int client_height = TwipsToPixels(kFormClientHeight, dpi_);
  RECT frame{0, 0, client_width, client_height + (status_rect.bottom - status_rect.top)};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), TRUE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)),
                           static_cast<UINT>(dpi_));
  const RECT work = WorkArea(hwnd_);
  const MinimumSize smallest = MinimumWindowSize(dpi_, frame.right - frame.left - client_width,
                                                 frame.bottom - frame.top - client_height,
                                                 work.right - work.left, work.bottom - work.top);
  min_track_size_ = {smallest.width, smallest.height};
  FitMessageArea();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::FitMessageArea() {
  HWND messages = Control(kIdTxmens);
  HWND status = Control(kIdStatus);
  if (messages == nullptr || status == nullptr) return;
  SendMessageW(status, WM_SIZE, 0, 0);
  RECT client{};
  RECT status_rect{};
  GetClientRect(hwnd_, &client);
  GetWindowRect(status, &status_rect);
  // Negative where the window is smaller than designed (a small work area):
  // the message area gives up the room.
  const int extra_width = static_cast<int>(client.right) - TwipsToPixels(kFormClientWidth, dpi_);
  const int extra_height =
      static_cast<int>(client.bottom - (status_rect.bottom - status_rect.top)) -
      TwipsToPixels(kFormClientHeight, dpi_);
  const DesignedControl& designed = Designed(kIdTxmens);
  SetWindowPos(messages, nullptr, TwipsToPixels(designed.left, dpi_),
               TwipsToPixels(designed.top, dpi_),
               std::max(0, TwipsToPixels(designed.width, dpi_) + extra_width),
               std::max(0, TwipsToPixels(designed.height, dpi_) + extra_height),
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The status bar draws its size grip where the corner is now; the old
  // corner's grip would stay on the line otherwise.
  InvalidateRect(status, nullptr, TRUE);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* window = From<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr || window->hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return window->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) FitMessageArea();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = From<MINMAXINFO*>(lparam);
      info->ptMinTrackSize = {min_track_size_.cx, min_track_size_.cy};
      return 0;
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      Layout();
      const auto* suggested = From<const RECT*>(lparam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   std::max(min_track_size_.cx, suggested->right - suggested->left),
                   std::max(min_track_size_.cy, suggested->bottom - suggested->top),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_ACTIVATE:
      // The keyboard focus comes back to the control that had it.
      if (LOWORD(wparam) == WA_INACTIVE) focus_ = GetFocus();
      break;
    case WM_SETFOCUS: {
      HWND to = focus_;
      if (to == nullptr || !IsChild(hwnd_, to) || !IsWindowEnabled(to)) to = Control(kIdCbRepos);
      SetFocus(to);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // Labels on the window's face colour; the read-only message area
      // stays white, as a text box.
      if (From<HWND>(lparam) == Control(kIdTxmens)) {
        SetBkColor(From<HDC>(static_cast<std::intptr_t>(wparam)), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CLOSE:
      // The run yields to the message loop, so the request can arrive
      // mid-run; it is refused until the run ends.
      if (form_.running) {
        ++refused_closes_;
        return 0;
      }
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      desktop_scope_.reset();
      hwnd_ = nullptr;
      if (quit_when_closed_) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void MainWindow::OnCommand(int id, int notification) {
  switch (id) {
    case kIdCmdExecuta0:
    case kIdCmdExecuta1:
      if (notification == BN_CLICKED) CmdExecutaClick(id == kIdCmdExecuta1 ? 1 : 0);
      break;
    case kIdCbRepos:
      if (notification == CBN_SELCHANGE) CbReposClick();
      break;
    case kIdMnuHabNumeracao:
      ShowWindow(Control(kIdCmdExecuta0), SW_SHOW);
      break;
    case kIdMnuAbrirConfiguracao:
      if (!form_.running) MnuAbrirConfiguracaoClick();
      break;
    case kIdMnuSair:
      PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

std::string MainWindow::ConfigurationText() const { return app::StatusText(form_); }

void MainWindow::OpenConfiguration(const std::string& file) {
  app::OpenConfiguration(form_, file);
  for (int list : {kIdCbRepos, kIdCbObj}) SendMessageW(Control(list), CB_RESETCONTENT, 0, 0);
  for (int label : {kIdLblConfigUtilizado, kIdLblDiretorioOrigem, kIdLblDiretorioDestino}) {
    SetWindowTextW(Control(label), L"");
  }
  desktop_->SetRestingText("");
  FormLoad();
  if (!registry_key_.empty()) RememberedValue(registry_key_, kRememberedValue).Write(file);
}

void MainWindow::MnuAbrirConfiguracaoClick() {
  const std::string file = PickFile(hwnd_, "Abrir configuração", app::OpenDialogFolder(form_),
                                    "Configuração (*.ini)", "*.ini");
  if (!file.empty()) OpenConfiguration(file);
}

void MainWindow::FormLoad() {
  const app::ComboContents lists = app::LoadForm(form_);
  HWND cb_obj = Control(kIdCbObj);
  for (const std::string& type : lists.object_types) {
    SendMessageW(cb_obj, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(type).c_str()));
  }
  SendMessageW(cb_obj, CB_SETCURSEL, static_cast<WPARAM>(lists.selected_object_type), 0);
  HWND cb_repos = Control(kIdCbRepos);
  for (const std::string& name : lists.repositories) {
    SendMessageW(cb_repos, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
  }
  SendMessageW(cb_repos, CB_SETCURSEL, static_cast<WPARAM>(lists.selected_repository), 0);
  if (lists.selected_repository >= 0) CbReposClick();
  SetWindowTextW(Control(kIdLblVersao), Wide(app::VersionCaption()).c_str());
  Layout();
  SetWindowTextW(Control(kIdStatus), Wide(ConfigurationText()).c_str());
}

std::string MainWindow::ListText(int id) const {
  HWND list = Control(id);
  const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Utf8(text);
}

void MainWindow::CbReposClick() {
  app::CarregaConfigRepositorio(form_.session, ListText(kIdCbRepos));
}

void MainWindow::CmdExecutaClick(int index) {
  app::PressButton(form_, index, ListText(kIdCbObj), ListText(kIdCbRepos),
                   [this](bool enabled) { SetControlsEnabled(enabled); });
}

void MainWindow::SetControlsEnabled(bool enabled) {
  for (app::FormControl control : app::kControlsOffDuringRun) {
    EnableWindow(Control(static_cast<int>(control)), enabled ? TRUE : FALSE);
  }
  EnableMenuItem(menu_, static_cast<UINT>(app::kCommandOffDuringRun),
                 MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace vkt::win
